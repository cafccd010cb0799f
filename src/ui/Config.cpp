// TForm_Config: the settings window and the settings file.
#include "ui/Config.h"

#include <string>
#include <string_view>

#include "framework/Application.h"
#include "settings/FieldRules.h"
#include "settings/NumberText.h"
#include "settings/SettingsFile.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsReader.h"
#include "settings/Utility.h"
#include "ui/LayoutFont.h"
#include "ui/Main.h"

// Generated from the project's version.
#include "VorlixVersion.h"

TForm_Config* Form_Config = nullptr;

namespace {

const char* const kSettingsFile = "Vorlix.ini";
// The default address, octet by octet, as the fields first show it.
const char* const kDefaultOctets[4] = {"1", "1", "1", "1"};

// Rewrites a field as the plain decimal form of a value within its range.
void Validate(fw::TObject* sender, const settings::FieldRange& range) {
  auto* field = static_cast<fw::TEdit*>(sender);
  field->SetText(settings::IntToText(settings::FieldValue(field->Text(), range)));
}

template <class Control>
Control* Place(Control* control, int left, int top, int width, int height,
               fw::TControl* parent = nullptr) {
  control->SetParentControl(parent);
  control->SetBounds(left, top, width, height);
  return control;
}

}  // namespace

TForm_Config::TForm_Config(fw::TComponent* AOwner) : fw::TForm(AOwner) {
  SetWindowClassName("TForm_Config");
  SetCaption("Vorlix Ver" VORLIX_VERSION_TEXT);
  SetBorderIcons(fw::TBorderIcons::None);
  SetClientSize(249, 101);
  SetLeft(201);
  SetTop(107);
  SetDefaultPosition(true);
  SetColor(fw::clBtnFace);
  SetFont(ui::LayoutFont(-12, false));

  // Made in tab order: the group boxes hold the first five fields.
  GroupBox_IP = Place(new fw::TGroupBox(this), 0, 0, 161, 44);
  GroupBox_IP->SetCaption("IPアドレス");
  fw::TEdit** octetFields[4] = {&Edit_IP0, &Edit_IP1, &Edit_IP2, &Edit_IP3};
  fw::TLabel** dots[3] = {&Label_IP0, &Label_IP1, &Label_IP2};
  for (int i = 0; i < 4; ++i) {
    fw::TEdit* field = Place(new fw::TEdit(this), 8 + 40 * i, 16, 25, 20, GroupBox_IP);
    field->SetText(kDefaultOctets[i]);
    field->SetMaxLength(3);
    field->SetAccessibleName("IPアドレス " + std::to_string(i + 1));
    field->OnExit = [this](fw::TObject* s) { Edit_IPExit(s); };
    *octetFields[i] = field;
    if (i < 3) {
      fw::TLabel* dot = Place(new fw::TLabel(this), 40 + 40 * i, 24, 2, 12, GroupBox_IP);
      dot->SetCaption(".");
      *dots[i] = dot;
    }
  }
  Edit_IP0->SetImeMode(fw::TImeMode::Close);

  GroupBox_TimeOut = Place(new fw::TGroupBox(this), 168, 0, 81, 44);
  GroupBox_TimeOut->SetCaption("タイムアウト");
  Edit_TimeOut = Place(new fw::TEdit(this), 16, 16, 33, 20, GroupBox_TimeOut);
  Edit_TimeOut->SetText("5000");
  Edit_TimeOut->SetMaxLength(4);
  Edit_TimeOut->SetAccessibleName("タイムアウト ms");
  Edit_TimeOut->OnExit = [this](fw::TObject* s) { Edit_TimeOutExit(s); };
  Label_TimeOut = Place(new fw::TLabel(this), 56, 22, 15, 12, GroupBox_TimeOut);
  Label_TimeOut->SetCaption("ms");

  Bevel_PingTime = Place(new fw::TBevel(this), 8, 56, 81, 44);
  CheckBox_PingTime = Place(new fw::TCheckBox(this), 16, 48, 65, 17);
  CheckBox_PingTime->SetCaption("定期実行");
  CheckBox_PingTime->SetChecked(true);
  Edit_PingTime = Place(new fw::TEdit(this), 16, 70, 25, 20);
  Edit_PingTime->SetText("1");
  Edit_PingTime->SetMaxLength(2);
  Edit_PingTime->SetAccessibleName("定期実行 分ごと");
  Edit_PingTime->OnExit = [this](fw::TObject* s) { Edit_PingTimeExit(s); };
  Label_PingTime = Place(new fw::TLabel(this), 48, 74, 32, 12);
  Label_PingTime->SetCaption("分ごと");

  CheckBox_StayOnTop = Place(new fw::TCheckBox(this), 112, 52, 105, 17);
  CheckBox_StayOnTop->SetCaption("常に手前に表示");
  CheckBox_StayOnTop->SetChecked(true);

  Button_OK = Place(new fw::TButton(this), 104, 76, 129, 20);
  Button_OK->SetCaption("OK");
  Button_OK->OnClick = [this](fw::TObject* s) { Button_OKClick(s); };

  OnCreate = [this](fw::TObject* s) { FormCreate(s); };
  OnHide = [this](fw::TObject* s) { FormHide(s); };
}

TForm_Config::~TForm_Config() {
  // No handler of the other window may reach this one once it is gone.
  if (Form_Config == this) {
    Form_Config = nullptr;
  }
}

void TForm_Config::FormCreate(fw::TObject*) {
  LoadSettings();
}

void TForm_Config::FormHide(fw::TObject*) {
  ApplySettings();
  SaveSettings();
}

void TForm_Config::Button_OKClick(fw::TObject*) {
  Hide();
}

void TForm_Config::Edit_IPExit(fw::TObject* Sender) {
  Validate(Sender, settings::kOctetRange);
}

void TForm_Config::Edit_TimeOutExit(fw::TObject* Sender) {
  Validate(Sender, settings::kTimeOutRange);
}

void TForm_Config::Edit_PingTimeExit(fw::TObject* Sender) {
  Validate(Sender, settings::kMinutesRange);
}

void TForm_Config::ApplySettings() {
  const std::int32_t d = settings::TextToInt(Edit_IP3->Text());
  const std::int32_t c = settings::TextToInt(Edit_IP2->Text());
  const std::int32_t b = settings::TextToInt(Edit_IP1->Text());
  const std::int32_t a = settings::TextToInt(Edit_IP0->Text());
  const std::string address = settings::IPToStr(a, b, c, d);
  Form_Main->SetCaption("IP: " + address);
  Form_Main->KvICMP->Cancel = true;
  Form_Main->KvICMP->Address = address;
  // A negative timeout cannot reach the send: the probe waits not at all for it.
  Form_Main->KvICMP->Timeout = settings::TextToInt(Edit_TimeOut->Text());
  Form_Main->AutoPing = CheckBox_PingTime->Checked();
  // The product wraps at 32 bits; an interval shorter than a check is safe, since the status
  // window starts no periodic check while one is under way.
  Form_Main->PingInterval =
      static_cast<std::uint32_t>(settings::TextToInt(Edit_PingTime->Text())) * 60000u;
  Form_Main->SetFormStyle(CheckBox_StayOnTop->Checked() ? fw::TFormStyle::StayOnTop
                                                        : fw::TFormStyle::Normal);
}

bool TForm_Config::SaveSettings() {
  try {
    settings::SettingsRecord record;
    record.MainFormPosX = Form_Main->Left();
    record.MainFormPosY = Form_Main->Top();
    record.ConfigFormPosX = Left();
    record.ConfigFormPosY = Top();
    record.Octets = {Edit_IP0->Text(), Edit_IP1->Text(), Edit_IP2->Text(), Edit_IP3->Text()};
    record.TimeOut = Edit_TimeOut->Text();
    record.AutoPing = CheckBox_PingTime->Checked();
    record.PingTime = Edit_PingTime->Text();
    record.StayOnTop = CheckBox_StayOnTop->Checked();
    fw::Application->Files().WriteFile(kSettingsFile, settings::FormatSettings(record));
    return false;
  } catch (const std::exception&) {
    return true;
  }
}

bool TForm_Config::LoadSettings() {
  fw::FileAccess& files = fw::Application->Files();
  bool failed = true;
  try {
    if (!files.FileExists(kSettingsFile)) {
      SaveSettings();
    }
    // Keys match in any letter case, by the rules of the user's locale.
    settings::SettingsReader reader(
        [](std::string_view text) { return fw::Application->Texts().CaseKey(text); });
    files.ReadFile(kSettingsFile, [&reader](std::string_view block) { return reader.Take(block); });
    const settings::LoadedSettings loaded = settings::ReadSettings(reader);
    TakeSettings(loaded);
    failed = loaded.Read < static_cast<int>(settings::kSettingsKeyCount);
  } catch (const std::exception&) {
    // Nothing is reported: what was set stays set.
  }
  // The status window is never placed off the top or left edge of the screen.
  if (Form_Main->Left() < 0) {
    Form_Main->SetLeft(0);
  }
  if (Form_Main->Top() < 0) {
    Form_Main->SetTop(0);
  }
  return failed;
}

void TForm_Config::TakeSettings(const settings::LoadedSettings& loaded) {
  // Each value goes where it belongs, in the file's order, as far as the load got; the fields
  // then run their own rules, as when the user leaves them.
  const settings::SettingsRecord& stored = loaded.Record;
  const int read = loaded.Read;
  if (read > 0) {
    Form_Main->SetLeft(stored.MainFormPosX);
  }
  if (read > 1) {
    Form_Main->SetTop(stored.MainFormPosY);
  }
  if (read > 2) {
    SetLeft(stored.ConfigFormPosX);
  }
  if (read > 3) {
    SetTop(stored.ConfigFormPosY);
  }
  if (read > 4) {
    fw::TEdit* octetFields[4] = {Edit_IP0, Edit_IP1, Edit_IP2, Edit_IP3};
    for (std::size_t i = 0; i < stored.Octets.size(); ++i) {
      octetFields[i]->SetText(stored.Octets[i]);
    }
    for (fw::TEdit* field : octetFields) {
      Edit_IPExit(field);
    }
  }
  if (read > 5) {
    Edit_TimeOut->SetText(stored.TimeOut);
    Edit_TimeOutExit(Edit_TimeOut);
  }
  if (read > 6) {
    CheckBox_PingTime->SetChecked(stored.AutoPing);
  }
  if (read > 7) {
    Edit_PingTime->SetText(stored.PingTime);
    Edit_PingTimeExit(Edit_PingTime);
  }
  if (read > 8) {
    CheckBox_StayOnTop->SetChecked(stored.StayOnTop);
    ApplySettings();
  }
}
