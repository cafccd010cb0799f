// The base of the BUTTON-class controls that report a click: push buttons and check boxes. The
// form passes their BN_CLICKED on.
#pragma once

#include "platform/win32/Win32Control.h"

namespace win32 {

class Win32ButtonBase : public Win32Control {
 public:
  using Win32Control::Win32Control;
  void Command(WORD code) override {
    if (code == BN_CLICKED) {
      events_.PlatformClick();
    }
  }

 protected:
  const wchar_t* WindowClass() const override { return L"BUTTON"; }
};

}  // namespace win32
