// TForm_Main: the status window.
#include "ui/Main.h"

#include "framework/Application.h"
#include "ui/Config.h"
#include "ui/LayoutFont.h"

TForm_Main* Form_Main = nullptr;

namespace {

constexpr int kBlinkSteps = 5;
// A press of "Check" during a check starts a nested check inside it. Each level holds a message
// pump on the stack, and the platform refuses window procedures past a fixed nesting depth, so a
// burst of presses (or a held Enter key) would otherwise hang the program: a press while this
// many checks are running is ignored.
constexpr int kMaxRunningChecks = 4;

fw::TColor BandColor(std::int32_t elapsed) {
  if (elapsed < 300) {
    return fw::clAqua;
  }
  if (elapsed < 600) {
    return fw::clLime;
  }
  if (elapsed < 900) {
    return fw::clYellow;
  }
  return fw::clRed;
}

// Counts a check as under way for as long as it runs, however it ends.
class RunningCheck {
 public:
  explicit RunningCheck(int& count) : count_(count) { ++count_; }
  RunningCheck(const RunningCheck&) = delete;
  RunningCheck& operator=(const RunningCheck&) = delete;
  ~RunningCheck() { --count_; }

 private:
  int& count_;
};

}  // namespace

TForm_Main::TForm_Main(fw::TComponent* AOwner) : fw::TForm(AOwner) {
  SetWindowClassName("TForm_Main");
  SetLeft(-255);
  SetTop(-255);
  SetClientSize(129, 25);
  SetBorderIcons(fw::TBorderIcons::Close);
  SetColor(fw::clBtnFace);
  SetFont(ui::LayoutFont(-12, false));

  Panel_Result = new fw::TPanel(this);
  Panel_Result->SetBounds(0, 0, 79, 25);
  Panel_Result->SetColor(fw::clBlack);
  fw::TFont panelFont = ui::LayoutFont(-16, true);
  panelFont.Color = fw::clWhite;
  Panel_Result->SetFont(panelFont);
  Panel_Result->OnClick = [this](fw::TObject* s) { Panel_ResultClick(s); };
  // The settings window within a keyboard's reach, although the panel takes no focus.
  Panel_Result->SetShortCut(fw::TShortCut::Properties);
  // A frame may cut the caption (a long address, a window manager's wide buttons); the panel's
  // tooltip shows it whole.
  SetCaptionHint(Panel_Result);

  Button_Check = new fw::TButton(this);
  Button_Check->SetBounds(80, 0, 49, 25);
  Button_Check->SetCaption("Check");
  Button_Check->OnClick = [this](fw::TObject* s) { Button_CheckClick(s); };

  Timer = new fw::TTimer(this);
  Timer->SetInterval(200);
  Timer->OnTimer = [this](fw::TObject* s) { TimerTimer(s); };

  KvICMP = new probe::TKvICMP(this);
  KvICMP->NumberOfPings = 1;
  KvICMP->OnReply = [this](fw::TObject* s, std::int32_t status, const std::string& address,
                           std::int32_t rtt,
                           std::uint8_t ttl) { KvICMPReply(s, status, address, rtt, ttl); };

  OnCreate = [this](fw::TObject* s) { FormCreate(s); };
  OnDestroy = [this](fw::TObject* s) { FormDestroy(s); };
}

TForm_Main::~TForm_Main() {
  if (Form_Main == this) {
    Form_Main = nullptr;
  }
}

void TForm_Main::FormCreate(fw::TObject*) {
  fw::Clock& clock = fw::Application->Clocks();
  clock.BeginPeriod(clock.MinimumPeriod());
  StartTime = 0;
  BlinkCount = 0;
  AutoPing = false;
  PingInterval = 0xFFFFFFFF;
}

void TForm_Main::FormDestroy(fw::TObject*) {
  fw::Clock& clock = fw::Application->Clocks();
  clock.EndPeriod(clock.MinimumPeriod());
}

void TForm_Main::StartPing() {
  RunningCheck running(runningChecks_);
  StartTime = fw::Application->Clocks().Milliseconds();
  KvICMP->Ping();
}

void TForm_Main::Button_CheckClick(fw::TObject*) {
  if (runningChecks_ < kMaxRunningChecks) {
    StartPing();
  }
}

void TForm_Main::TimerTimer(fw::TObject*) {
  // A periodic check never starts inside a running one, so an interval shorter than a run
  // cannot nest checks without end.
  if (AutoPing && runningChecks_ == 0 &&
      fw::Application->Clocks().Milliseconds() - StartTime >= PingInterval) {
    StartPing();
  }
  if (BlinkCount > 0) {
    Panel_Result->SetFontColor(BlinkCount % 2 != 0 ? ResultColor : fw::clWhite);
    --BlinkCount;
  }
}

void TForm_Main::Panel_ResultClick(fw::TObject*) {
  if (Form_Config == nullptr) {
    return;
  }
  if (Form_Config->Visible()) {
    Form_Config->Hide();  // which applies the settings and saves them
  } else {
    Form_Config->Show();
  }
}

void TForm_Main::KvICMPReply(fw::TObject*, std::int32_t, const std::string&, std::int32_t,
                             std::uint8_t) {
  const auto elapsed =
      static_cast<std::int32_t>(fw::Application->Clocks().Milliseconds() - StartTime);
  if (elapsed < KvICMP->Timeout) {
    Panel_Result->SetCaption(std::to_string(elapsed) + "ms");
    ResultColor = BandColor(elapsed);
  } else {
    Panel_Result->SetCaption("TimeOut");
    ResultColor = fw::clFuchsia;
  }
  Panel_Result->SetFontColor(fw::clWhite);
  BlinkCount = kBlinkSteps;
  // Heard as well as seen: a running screen reader reads the new result out.
  Panel_Result->Announce();
}
