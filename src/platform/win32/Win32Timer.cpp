// A window timer with a message-only window of its own.
#include "platform/win32/Win32Timer.h"

#include "framework/PlatformError.h"
#include "platform/win32/WindowClass.h"

namespace win32 {

namespace {

const wchar_t kTimerClass[] = L"TTimerWindow";
constexpr UINT_PTR kTimerId = 1;

}  // namespace

Win32Timer::Win32Timer(unsigned intervalMs, fw::TimerEvents& events) : events_(events) {
  RegisterWindowClass(kTimerClass, WindowProc);
  hwnd_ = CreateWindowExW(0, kTimerClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                          GetModuleHandleW(nullptr), nullptr);
  if (hwnd_ == nullptr) {
    throw fw::EPlatformError("CreateWindowExW failed for a timer");
  }
  SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  if (SetTimer(hwnd_, kTimerId, intervalMs, nullptr) == 0) {
    DestroyWindow(hwnd_);
    throw fw::EPlatformError("SetTimer failed");
  }
}

Win32Timer::~Win32Timer() {
  KillTimer(hwnd_, kTimerId);
  // Ticks still queued for the window go with it.
  DestroyWindow(hwnd_);
}

LRESULT CALLBACK Win32Timer::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_TIMER && wParam == kTimerId) {
    if (auto* self = reinterpret_cast<Win32Timer*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA))) {
      // The handler may destroy the timer: nothing of it is touched afterwards.
      self->events_.PlatformTimer();
    }
    return 0;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace win32
