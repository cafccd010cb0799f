// A push button.
#pragma once

#include "framework/Control.h"

namespace fw {

class TButton : public TControl {
 public:
  explicit TButton(TForm* form) : TControl(form, TControlKind::Button, true) {}
};

}  // namespace fw
