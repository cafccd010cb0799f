// A group box (a frame with its caption in the top edge) or a bevel (a frame alone); both are
// drawn below the controls they surround and take no input.
#pragma once

#include "platform/gtk/Control.h"

namespace gtk {

class FrameBox : public Control {
 public:
  FrameBox(Form& form, const fw::ControlParams& params, fw::ControlEvents& events);

  void SetText(const std::string& text) override;
  void Rescaled() override;
};

}  // namespace gtk
