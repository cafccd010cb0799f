// A back end without windows: tests click, tick the timer and set the clock by hand.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "HeadlessClock.h"
#include "HeadlessFiles.h"
#include "framework/Backend.h"

namespace headless {

struct FormRecord {
  fw::FormParams Params;
  fw::FormEvents* Events = nullptr;
  std::string Caption;
  fw::TPoint Position;
  bool Shown = false;
  bool Alive = true;
  fw::TWindowState ShownState = fw::TWindowState::Normal;
  bool ActivatedOnShow = false;
  // The state the window is in: made in, shown in, or set by the user (SetFormState).
  fw::TWindowState State = fw::TWindowState::Normal;
};

struct ControlRecord {
  fw::ControlParams Params;
  fw::ControlEvents* Events = nullptr;
  FormRecord* Form = nullptr;
  std::string Text;
  fw::TColor FontColor = 0;
  bool Checked = false;
  bool Alive = true;
  std::string Hint;
  // The text of each announcement to a screen reader, in order.
  std::vector<std::string> Announced;
};

class HeadlessBackend : public fw::Backend {
 public:
  HeadlessBackend();
  ~HeadlessBackend() override;

  // --- what a test does ---
  // Moves both clocks on, queueing the timer ticks and scheduled events that fall due.
  void AdvanceClock(std::uint32_t ms) { clock_.Pass(ms); }
  // Sets the millisecond clock; the timers fall due an interval later.
  void SetClock(std::uint32_t now);
  void SetTicks(std::uint32_t ticks) { clock_.SetTicks(ticks); }
  // Queues a message to be handled by the next message pump.
  void Post(std::function<void()> message);
  // Queues a message once the clock reaches the given time.
  void PostAt(std::uint32_t time, std::function<void()> message);
  // Queues a click on the live control of a form at a client position.
  void ClickAt(const std::string& formClass, int x, int y);
  void CloseRequest(const std::string& formClass);
  // Queues a shortcut's keys on the form: the control they click gets a click, the focus stays.
  void PressShortCut(const std::string& formClass, fw::TShortCut shortCut);
  // Queues the restore of the program from its taskbar button.
  void Restore();
  // The user changes the live form's state (restores a maximized window, say).
  void SetFormState(const std::string& formClass, fw::TWindowState state);
  // Queues a move of the keyboard focus to the control at a client position, as a click does.
  void FocusAt(const std::string& formClass, int x, int y);
  // Queues the Tab key: focus moves to the next control that takes it, in tab order.
  void PressTab(const std::string& formClass);
  // Queues the user's typing: the field's text is replaced, cut to its maximum length.
  void TypeAt(const std::string& formClass, int x, int y, const std::string& text);
  // Queues the form's loss of activation: focus leaves it without a focus-leave event.
  void Deactivate(const std::string& formClass);

  // --- what a test reads ---
  const FormRecord* LiveForm(const std::string& formClass) const;
  const ControlRecord* LiveControlAt(const std::string& formClass, int x, int y) const;
  const ControlRecord* Focused() const { return focused_; }
  std::vector<const ControlRecord*> LiveControls(const std::string& formClass) const;
  int FormsCreated(const std::string& formClass) const;
  const std::vector<std::string>& ErrorBoxes() const { return errorBoxes_; }
  const std::vector<std::string>& Events() const { return events_; }
  int CancelModeSent() const { return cancelModes_; }
  std::uint32_t Clock() { return clock_.Milliseconds(); }
  std::uint32_t Ticks() { return clock_.Ticks(); }
  std::uint32_t TimerPeriod() const { return clock_.Period(); }
  int TimerPeriodDepth() const { return clock_.PeriodDepth(); }
  HeadlessClock& Time() { return clock_; }
  std::size_t LiveTimers() const { return timers_.size(); }

  void SetStartupShowCommand(fw::TWindowState state) { startupShow_ = state; }
  void SetMinPeriod(std::uint32_t period) { clock_.SetMinimumPeriod(period); }
  // Making the application window fails, as a platform out of resources would.
  bool FailApplicationWindow = false;

  // --- fw::Backend ---
  void CreateApplicationWindow(fw::ApplicationEvents& events) override;
  void SetTitle(const std::string&) override {}
  void ShowApplicationWindow(bool minimized) override;
  void HideOwnedPopups() override;
  fw::TWindowState StartupShowCommand() override { return startupShow_; }
  std::unique_ptr<fw::FormPeer> CreateForm(const fw::FormParams& params,
                                           fw::FormEvents& events) override;
  std::unique_ptr<fw::TimerPeer> CreateTimer(unsigned intervalMs, fw::TimerEvents& events) override;
  MessageResult ProcessOneMessage() override;
  void WaitMessage() override;
  void PostQuit() override;
  void CancelMouseCapture() override { ++cancelModes_; }
  void ShowHandlerErrorBox(const std::string& text, const std::string& caption) override;
  HeadlessFiles& MemoryFiles() { return files_; }

  // Used by the peers.
  void Log(const std::string& event) { events_.push_back(event); }
  std::unique_ptr<fw::ControlPeer> AddControl(FormRecord& form, const fw::ControlParams& params,
                                              fw::ControlEvents& events);
  void RemoveTimer(int id) { timers_.erase(id); }
  void Forget(const ControlRecord* control);
  void FormHidden(const FormRecord* form);

 private:
  struct TimerRecord {
    fw::TimerEvents* Events;
    unsigned Interval;
    std::uint32_t NextDue;
    bool Pending;
  };
  struct Scheduled {
    std::uint32_t Time;
    std::function<void()> Message;
  };

  void QueueDue();
  ControlRecord* ControlAt(const std::string& formClass, int x, int y);
  void MoveFocus(ControlRecord* to);

  std::deque<std::function<void()>> queue_;
  std::vector<Scheduled> scheduled_;
  std::map<int, TimerRecord> timers_;
  int nextTimerId_ = 1;
  std::vector<std::unique_ptr<FormRecord>> forms_;
  std::vector<std::unique_ptr<ControlRecord>> controls_;
  std::vector<std::string> errorBoxes_;
  std::vector<std::string> events_;
  fw::ApplicationEvents* application_ = nullptr;
  fw::TWindowState startupShow_ = fw::TWindowState::Normal;
  HeadlessClock clock_{[this] { QueueDue(); }};
  int cancelModes_ = 0;
  ControlRecord* focused_ = nullptr;
  HeadlessFiles files_;
  bool quitPosted_ = false;
};

}  // namespace headless
