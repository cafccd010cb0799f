// A form placed at the default place, kept in view.
#include "platform/win32/Win32InView.h"

#include "framework/Placement.h"
#include "platform/win32/Win32Form.h"

namespace win32 {

namespace {

fw::TBounds ToBounds(const RECT& rect) {
  return fw::TBounds{rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
}

// The shown main form of this thread, or none.
BOOL CALLBACK FindShownMainForm(HWND hwnd, LPARAM found) {
  const Win32Form* form = Win32Form::FromHandle(hwnd);
  if (form != nullptr && form->IsMainForm() && IsWindowVisible(hwnd)) {
    *reinterpret_cast<HWND*>(found) = hwnd;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

void KeepInView(HWND window) {
  HWND main = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), FindShownMainForm, reinterpret_cast<LPARAM>(&main));
  RECT own{};
  RECT mainRect{};
  GetWindowRect(window, &own);
  if (main != nullptr) {
    GetWindowRect(main, &mainRect);
  }
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  if (!GetMonitorInfoW(MonitorFromWindow(main != nullptr ? main : window, MONITOR_DEFAULTTONEAREST),
                       &monitor)) {
    return;
  }
  const fw::TPoint place =
      fw::PlaceInView(ToBounds(own), ToBounds(mainRect), ToBounds(monitor.rcWork));
  if (place.X != own.left || place.Y != own.top) {
    SetWindowPos(window, nullptr, place.X, place.Y, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

}  // namespace win32
