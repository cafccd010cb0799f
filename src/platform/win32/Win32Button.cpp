// A push button; Enter presses the focused button, as Space does.
#include "platform/win32/Win32Button.h"

#include "platform/win32/CommonControls.h"

namespace win32 {

bool Win32Button::Subclassed(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (message == WM_GETDLGCODE) {
    // The dialog manager would take Enter for the default button; the button wants it itself.
    const auto* pending = reinterpret_cast<const MSG*>(lParam);
    result = CommonControls::Bound().DefSubclassProc(hwnd_, message, wParam, lParam);
    if (pending != nullptr && pending->message == WM_KEYDOWN && pending->wParam == VK_RETURN) {
      result |= DLGC_WANTMESSAGE;
    }
    return true;
  }
  if (message == WM_KEYDOWN && wParam == VK_RETURN) {
    events_.PlatformClick();
    result = 0;
    return true;
  }
  return false;
}

}  // namespace win32
