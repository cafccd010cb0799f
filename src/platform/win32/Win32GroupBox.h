// A group box: a BUTTON with BS_GROUPBOX that frames and names the fields it holds.
#pragma once

#include "platform/win32/Win32Control.h"

namespace win32 {

class Win32GroupBox : public Win32Control {
 public:
  using Win32Control::Win32Control;
  bool Underlay() const override { return true; }

 protected:
  const wchar_t* WindowClass() const override { return L"BUTTON"; }
  DWORD Style() const override { return BS_GROUPBOX; }
};

}  // namespace win32
