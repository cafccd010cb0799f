// A push button; Enter presses the focused button, as Space does.
#pragma once

#include "platform/win32/Win32ButtonBase.h"

namespace win32 {

class Win32Button : public Win32ButtonBase {
 public:
  using Win32ButtonBase::Win32ButtonBase;

 protected:
  DWORD Style() const override { return BS_PUSHBUTTON | WS_TABSTOP; }
  bool Subclassed(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
};

}  // namespace win32
