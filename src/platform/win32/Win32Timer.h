// A window timer: a message-only window of its own that receives the ticks, so the timer is
// found from the window without a table.
#pragma once

#include "framework/Backend.h"
#include "platform/win32/Win32.h"

namespace win32 {

class Win32Timer : public fw::TimerPeer {
 public:
  Win32Timer(unsigned intervalMs, fw::TimerEvents& events);
  ~Win32Timer() override;
  Win32Timer(const Win32Timer&) = delete;
  Win32Timer& operator=(const Win32Timer&) = delete;

 private:
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

  fw::TimerEvents& events_;
  HWND hwnd_ = nullptr;
};

}  // namespace win32
