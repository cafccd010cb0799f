// A single-line edit field; its maximum length limits typing and pasting, not the text the
// program sets.
#pragma once

#include "platform/win32/Win32Control.h"

namespace win32 {

class Win32Edit : public Win32Control {
 public:
  using Win32Control::Win32Control;
  void Scale(UINT dpi) override;

 protected:
  const wchar_t* WindowClass() const override { return L"EDIT"; }
  DWORD Style() const override { return ES_AUTOHSCROLL | WS_TABSTOP; }
  DWORD ExStyle() const override { return WS_EX_CLIENTEDGE; }
  void Prepare() override;
  bool Subclassed(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
};

}  // namespace win32
