// A label: a STATIC that grows to fit its caption, so a font wider than the layout's never cuts
// it.
#pragma once

#include "platform/win32/Win32Control.h"

namespace win32 {

class Win32Label : public Win32Control {
 public:
  using Win32Control::Win32Control;
  void Scale(UINT dpi) override;

 protected:
  const wchar_t* WindowClass() const override { return L"STATIC"; }
  DWORD Style() const override { return SS_LEFT | SS_NOPREFIX; }
};

}  // namespace win32
