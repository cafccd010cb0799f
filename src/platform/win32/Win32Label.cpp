// A label that grows to fit its caption.
#include "platform/win32/Win32Label.h"

#include <algorithm>

#include "platform/win32/Utf.h"

namespace win32 {

void Win32Label::Scale(UINT dpi) {
  Win32Control::Scale(dpi);
  HDC dc = GetDC(hwnd_);
  HGDIOBJ old = SelectObject(dc, font_.Get());
  const std::wstring text = Widen(Text());
  SIZE extent{};
  GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
  SelectObject(dc, old);
  ReleaseDC(hwnd_, dc);
  RECT rect;
  GetClientRect(hwnd_, &rect);
  if (extent.cx > rect.right || extent.cy > rect.bottom) {
    SetWindowPos(hwnd_, nullptr, 0, 0, std::max<LONG>(extent.cx, rect.right),
                 std::max<LONG>(extent.cy, rect.bottom),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

}  // namespace win32
