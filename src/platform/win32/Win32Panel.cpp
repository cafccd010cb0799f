// The result panel: a colour fill with one line of centred text, and its own click.
#include "platform/win32/Win32Panel.h"

#include <windowsx.h>

#include "platform/win32/Annotations.h"
#include "platform/win32/Utf.h"

namespace win32 {

Win32Panel::Win32Panel(const fw::ControlParams& params, fw::ControlEvents& events)
    : Win32Control(params, events), background_(CreateSolidBrush(ColorRef(params.Color))) {}

// Where the system keeps no annotations, the panel is no live region; the announcements are
// sent all the same and cost nothing.
void Win32Panel::Prepare() {
  annotated_ = true;
  Annotations::Shared().SetPoliteLiveRegion(hwnd_);
}

void Win32Panel::Announce() {
  NotifyWinEvent(EVENT_OBJECT_LIVEREGIONCHANGED, hwnd_, OBJID_CLIENT, CHILDID_SELF);
}

void Win32Panel::DrawItem(const DRAWITEMSTRUCT& item) {
  RECT area = item.rcItem;
  FillRect(item.hDC, &area, background_.Get());
  HGDIOBJ oldFont = SelectObject(item.hDC, font_.Get());
  SetBkMode(item.hDC, TRANSPARENT);
  SetTextColor(item.hDC, ColorRef(params_.Font.Color));
  SIZE sample{};
  GetTextExtentPoint32W(item.hDC, L"W", 1, &sample);
  // The line's top lies at half the free height, the fraction dropped.
  RECT line = area;
  line.top = (area.bottom - area.top - sample.cy) / 2;
  line.bottom = line.top + sample.cy;
  std::wstring text = Widen(Text());
  DrawTextW(item.hDC, text.c_str(), static_cast<int>(text.size()), &line,
            DT_SINGLELINE | DT_CENTER | DT_NOPREFIX | DT_EXPANDTABS);
  SelectObject(item.hDC, oldFont);
}

bool Win32Panel::Subclassed(UINT message, WPARAM, LPARAM lParam, LRESULT& result) {
  switch (message) {
    case WM_LBUTTONDOWN:
      pressed_ = true;
      SetCapture(hwnd_);
      result = 0;
      return true;
    case WM_LBUTTONDBLCLK:
      pressed_ = false;
      result = 0;
      return true;
    case WM_LBUTTONUP: {
      const bool wasPressed = pressed_;
      pressed_ = false;
      if (GetCapture() == hwnd_) {
        ReleaseCapture();
      }
      RECT client;
      GetClientRect(hwnd_, &client);
      POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      if (wasPressed && PtInRect(&client, at)) {
        events_.PlatformClick();
      }
      result = 0;
      return true;
    }
    case WM_CAPTURECHANGED:
    case WM_CANCELMODE:
      pressed_ = false;
      return false;
    default:
      return false;
  }
}

}  // namespace win32
