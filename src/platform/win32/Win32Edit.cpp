// A single-line edit field.
#include "platform/win32/Win32Edit.h"

#include <imm.h>

namespace win32 {

void Win32Edit::Prepare() {
  if (params_.MaxLength > 0) {
    SendMessageW(hwnd_, EM_SETLIMITTEXT, static_cast<WPARAM>(params_.MaxLength), 0);
  }
}

void Win32Edit::Scale(UINT dpi) {
  Win32Control::Scale(dpi);
  // Narrow margins, so that the short fields show all their digits in wide fonts too.
  SendMessageW(hwnd_, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELPARAM(1, 1));
}

bool Win32Edit::Subclassed(UINT message, WPARAM, LPARAM, LRESULT&) {
  if (message == WM_SETFOCUS && params_.ImeMode == fw::TImeMode::Close) {
    if (HIMC context = ImmGetContext(hwnd_)) {
      ImmSetOpenStatus(context, FALSE);
      ImmReleaseContext(hwnd_, context);
    }
  }
  return false;
}

}  // namespace win32
