// A panel that fills itself with its colour and draws its caption centred on one line.
#pragma once

#include "framework/Control.h"

namespace fw {

class TPanel : public TControl {
 public:
  explicit TPanel(TForm* form) : TControl(form, TControlKind::Panel, false) {}
};

}  // namespace fw
