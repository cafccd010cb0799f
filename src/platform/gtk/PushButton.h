// A push button: pressed by the mouse, or by Space or Enter while it has the focus.
#pragma once

#include "platform/gtk/Control.h"

namespace gtk {

class PushButton : public Control {
 public:
  PushButton(Form& form, const fw::ControlParams& params, fw::ControlEvents& events);

  std::string Text() const override;
  void SetText(const std::string& text) override;

 private:
  static void OnClicked(GtkButton* button, gpointer self);
};

}  // namespace gtk
