// A bevel: a STATIC with an etched frame around the controls it holds.
#pragma once

#include "platform/win32/Win32Control.h"

namespace win32 {

class Win32Bevel : public Win32Control {
 public:
  using Win32Control::Win32Control;
  bool Underlay() const override { return true; }

 protected:
  const wchar_t* WindowClass() const override { return L"STATIC"; }
  DWORD Style() const override { return SS_ETCHEDFRAME; }
};

}  // namespace win32
