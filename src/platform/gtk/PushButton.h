// A push button: pressed by the mouse, or by Space or Enter while it has the focus.
#pragma once

#include "platform/gtk/ButtonBase.h"

namespace gtk {

class PushButton : public ButtonBase {
 public:
  PushButton(Form& form, const fw::ControlParams& params, fw::ControlEvents& events);

 private:
  static void OnClicked(GtkButton* button, gpointer self);
};

}  // namespace gtk
