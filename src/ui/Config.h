// TForm_Config: the settings window, which edits, checks and applies the settings and keeps
// them in the settings file.
#pragma once

#include <cstdint>
#include <string>

#include "framework/Button.h"
#include "framework/CheckBox.h"
#include "framework/Edit.h"
#include "framework/Form.h"
#include "framework/StaticControls.h"

namespace settings {
struct LoadedSettings;
}  // namespace settings

class TForm_Config : public fw::TForm {
 public:
  explicit TForm_Config(fw::TComponent* AOwner);
  ~TForm_Config() override;

  fw::TGroupBox* GroupBox_IP;
  fw::TEdit* Edit_IP0;
  fw::TEdit* Edit_IP1;
  fw::TEdit* Edit_IP2;
  fw::TEdit* Edit_IP3;
  fw::TLabel* Label_IP0;
  fw::TLabel* Label_IP1;
  fw::TLabel* Label_IP2;
  fw::TGroupBox* GroupBox_TimeOut;
  fw::TEdit* Edit_TimeOut;
  fw::TLabel* Label_TimeOut;
  fw::TCheckBox* CheckBox_PingTime;
  fw::TBevel* Bevel_PingTime;
  fw::TEdit* Edit_PingTime;
  fw::TLabel* Label_PingTime;
  fw::TCheckBox* CheckBox_StayOnTop;
  fw::TButton* Button_OK;

  void FormCreate(fw::TObject* Sender);
  void FormHide(fw::TObject* Sender);
  void Button_OKClick(fw::TObject* Sender);
  void Edit_IPExit(fw::TObject* Sender);
  void Edit_TimeOutExit(fw::TObject* Sender);
  void Edit_PingTimeExit(fw::TObject* Sender);

  // Both return true when they failed; nothing is reported.
  bool LoadSettings();
  bool SaveSettings();
  // Pushes the fields into the status window and its probe.
  void ApplySettings();

 private:
  // Puts what a load read into the windows and fields, and applies it when it read it all.
  void TakeSettings(const settings::LoadedSettings& loaded);
};

extern TForm_Config* Form_Config;
