// Controls that only show something: a group box with its caption, a label, a bevel frame.
#pragma once

#include "framework/Control.h"

namespace fw {

class TGroupBox : public TControl {
 public:
  explicit TGroupBox(TForm* form) : TControl(form, TControlKind::GroupBox, false) {}
};

class TLabel : public TControl {
 public:
  explicit TLabel(TForm* form) : TControl(form, TControlKind::Label, false) {}
};

class TBevel : public TControl {
 public:
  explicit TBevel(TForm* form) : TControl(form, TControlKind::Bevel, false) {}
};

}  // namespace fw
