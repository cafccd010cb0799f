// TForm_Main: the status window, with the result panel, the Check button, the timer and the probe.
#pragma once

#include <cstdint>
#include <string>

#include "framework/Button.h"
#include "framework/Form.h"
#include "framework/Panel.h"
#include "framework/Timer.h"
#include "framework/Types.h"
#include "probe/KvICMP.h"

class TForm_Main : public fw::TForm {
 public:
  explicit TForm_Main(fw::TComponent* AOwner);
  ~TForm_Main() override;

  fw::TTimer* Timer;
  probe::TKvICMP* KvICMP;
  fw::TButton* Button_Check;
  fw::TPanel* Panel_Result;

  void FormCreate(fw::TObject* Sender);
  void TimerTimer(fw::TObject* Sender);
  void Panel_ResultClick(fw::TObject* Sender);
  void KvICMPReply(fw::TObject* Sender, std::int32_t Status, const std::string& IPAddress,
                   std::int32_t RTT, std::uint8_t TTL);
  void FormDestroy(fw::TObject* Sender);
  void Button_CheckClick(fw::TObject* Sender);

  std::uint32_t StartTime = 0;
  std::int32_t BlinkCount = 0;
  fw::TColor ResultColor = fw::clBlack;
  bool AutoPing = false;
  std::uint32_t PingInterval = 0xFFFFFFFF;

 private:
  void StartPing();

  // Checks under way, nested ones included. A periodic check starts only when none is, and a
  // press of "Check" is ignored while kMaxRunningChecks are.
  int runningChecks_ = 0;
};

extern TForm_Main* Form_Main;
