// A tooltip over one control.
#include "platform/win32/Win32Tooltip.h"

// After windows.h, which it needs.
#include <commctrl.h>

#include "framework/PlatformError.h"
#include "platform/win32/Utf.h"

namespace win32 {

namespace {

// The control is the tool, by its handle; the tooltip subclasses it to see the pointer.
TOOLINFOW ToolOf(HWND control, std::wstring& text) {
  TOOLINFOW tool{};
  tool.cbSize = sizeof tool;
  tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  tool.hwnd = GetParent(control);
  tool.uId = reinterpret_cast<UINT_PTR>(control);
  tool.lpszText = text.data();
  return tool;
}

}  // namespace

Win32Tooltip::Win32Tooltip(HWND control, const std::string& text)
    : control_(control), text_(Widen(text)) {
  // Owned by the control's top-level window, so that it goes with it; always shown, as the
  // status window is seldom the active one.
  tooltip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                             WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT, CW_USEDEFAULT,
                             CW_USEDEFAULT, CW_USEDEFAULT, GetAncestor(control, GA_ROOT), nullptr,
                             GetModuleHandleW(nullptr), nullptr);
  if (tooltip_ == nullptr) {
    throw fw::EPlatformError("CreateWindowExW failed for a tooltip");
  }
  TOOLINFOW tool = ToolOf(control_, text_);
  if (SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool)) == FALSE) {
    DestroyWindow(tooltip_);
    throw fw::EPlatformError("TTM_ADDTOOLW failed for a tooltip");
  }
}

Win32Tooltip::~Win32Tooltip() {
  TOOLINFOW tool = ToolOf(control_, text_);
  SendMessageW(tooltip_, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  DestroyWindow(tooltip_);
}

void Win32Tooltip::SetText(const std::string& text) {
  text_ = Widen(text);
  TOOLINFOW tool = ToolOf(control_, text_);
  SendMessageW(tooltip_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
}

}  // namespace win32
