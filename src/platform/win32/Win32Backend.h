// The Win32 back end of the framework: the application window, forms, timers, the message
// queue and the handler error box.
#pragma once

#include <memory>
#include <string>

#include "framework/Backend.h"
#include "platform/win32/Win32.h"

namespace win32 {

class Win32Backend : public fw::Backend {
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

 private:
  static LRESULT CALLBACK ApplicationProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

  HWND application_ = nullptr;
  fw::ApplicationEvents* events_ = nullptr;
};

}  // namespace win32
