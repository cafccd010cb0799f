// A check box with its caption; the button class keeps the checked state.
#pragma once

#include "platform/win32/Win32ButtonBase.h"

namespace win32 {

class Win32CheckBox : public Win32ButtonBase {
 public:
  using Win32ButtonBase::Win32ButtonBase;

 protected:
  DWORD Style() const override { return BS_AUTOCHECKBOX | WS_TABSTOP; }
  void Prepare() override { SetChecked(params_.Checked); }
};

}  // namespace win32
