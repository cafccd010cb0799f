// Registering the program's own window classes.
#include "platform/win32/WindowClass.h"

#include "framework/PlatformError.h"

namespace win32 {

void RegisterWindowClass(const wchar_t* name, WNDPROC proc, UINT style, HICON icon) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.style = style;
  wc.lpfnWndProc = proc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hIcon = icon;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.lpszClassName = name;
  if (RegisterClassExW(&wc) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
    throw fw::EPlatformError("RegisterClassExW failed");
  }
}

}  // namespace win32
