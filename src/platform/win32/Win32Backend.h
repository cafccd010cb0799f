// The Win32 back end of the framework: the application window, forms, controls, timers, the
// message queue, the handler error box and the multimedia clock.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "framework/Backend.h"
#include "platform/win32/Win32.h"
#include "platform/win32/Win32Files.h"

namespace win32 {

class Win32Backend : public fw::Backend, private fw::Clock {
 public:
  Win32Backend();
  ~Win32Backend() override;

  void CreateApplicationWindow(fw::ApplicationEvents& events) override;
  void SetTitle(const std::string& title) override;
  void ShowApplicationWindow(bool minimized) override;
  void HideOwnedPopups() override;
  fw::TWindowState StartupShowCommand() override;

  std::unique_ptr<fw::FormPeer> CreateForm(const fw::FormParams& params,
                                           fw::FormEvents& events) override;
  std::unique_ptr<fw::TimerPeer> CreateTimer(unsigned intervalMs, fw::TimerEvents& events) override;

  MessageResult ProcessOneMessage() override;
  void WaitMessage() override;
  void PostQuit() override;

  void CancelMouseCapture() override;
  void ShowHandlerErrorBox(const std::string& text, const std::string& caption) override;

  fw::FileAccess& Files() override { return files_; }

  fw::Clock& GetClock() override { return *this; }
  bool SameTextIgnoringCase(const std::string& a, const std::string& b) override;

  HWND ApplicationWindow() const { return application_; }
  void KillTimerById(UINT_PTR id);

 private:
  // --- fw::Clock over winmm and kernel32 ---
  std::uint32_t Milliseconds() override;
  std::uint32_t Ticks() override;
  void Sleep(std::uint32_t ms) override;
  std::uint32_t MinimumPeriod() override;
  void BeginPeriod(std::uint32_t period) override;
  void EndPeriod(std::uint32_t period) override;

  static LRESULT CALLBACK ApplicationProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK TimerProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

  HWND application_ = nullptr;
  HWND timerWindow_ = nullptr;
  fw::ApplicationEvents* events_ = nullptr;
  std::map<UINT_PTR, fw::TimerEvents*> timers_;
  UINT_PTR nextTimerId_ = 1;
  Win32Files files_;
};

}  // namespace win32
