// A label: its caption on one line from the top-left corner; it grows to fit the caption, so a
// font wider than the layout's never cuts it.
#pragma once

#include "platform/gtk/Control.h"

namespace gtk {

class Label : public Control {
 public:
  Label(Form& form, const fw::ControlParams& params, fw::ControlEvents& events);

  void SetText(const std::string& text) override;
};

}  // namespace gtk
