// A check box with its caption.
#pragma once

#include "framework/Control.h"

namespace fw {

class TCheckBox : public TControl {
 public:
  explicit TCheckBox(TForm* form) : TControl(form, TControlKind::CheckBox, true) {}

  bool Checked() const { return CheckedState(); }
  void SetChecked(bool checked) { SetCheckedState(checked); }
};

}  // namespace fw
