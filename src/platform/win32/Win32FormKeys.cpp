// A form's shortcut keys: an accelerator table in the message loop, whose command clicks the
// control that has the shortcut, once however long the keys are held.
#include <iterator>

#include "framework/PlatformError.h"
#include "platform/win32/Win32Control.h"
#include "platform/win32/Win32Form.h"

namespace win32 {

namespace {

// The command of the shortcut's keys; control identifiers start above it.
constexpr WORD kShortCutCommand = 1;

}  // namespace

void Win32Form::AddShortCut(const fw::ControlParams& params) {
  if (params.ShortCut != fw::TShortCut::Properties || shortCuts_ != nullptr) {
    return;
  }
  // Ctrl+Comma, the preferences key of the Linux desktops, and Alt+Enter, the properties key
  // of Windows.
  ACCEL keys[] = {{FVIRTKEY | FCONTROL, VK_OEM_COMMA, kShortCutCommand},
                  {FVIRTKEY | FALT, VK_RETURN, kShortCutCommand}};
  shortCuts_ = CreateAcceleratorTableW(keys, static_cast<int>(std::size(keys)));
  if (shortCuts_ == nullptr) {
    throw fw::EPlatformError("CreateAcceleratorTableW failed for a form");
  }
}

bool Win32Form::TranslateShortCut(MSG& msg) {
  if (shortCuts_ == nullptr) {
    return false;
  }
  // Bit 30 of a key message: the key was down already. A held shortcut clicks once.
  shortCutRepeat_ = (msg.lParam & (LPARAM{1} << 30)) != 0;
  return TranslateAcceleratorW(hwnd_, shortCuts_, &msg) != 0;
}

bool Win32Form::OnShortCutCommand(WPARAM wParam, LPARAM lParam) {
  if (lParam != 0 || HIWORD(wParam) != 1 || LOWORD(wParam) != kShortCutCommand) {
    return false;
  }
  if (!shortCutRepeat_) {
    for (Win32Control* control : Controls()) {
      if (control->ShortCut() != fw::TShortCut::None) {
        control->ShortCutPressed();
        break;
      }
    }
  }
  return true;
}

}  // namespace win32
