// The base of the controls made on a GtkButton (push buttons and check boxes): the caption is
// the button's label.
#pragma once

#include "platform/gtk/Control.h"

namespace gtk {

class ButtonBase : public Control {
 public:
  std::string Text() const override {
    const gchar* label = widget_ != nullptr ? gtk_button_get_label(GTK_BUTTON(widget_)) : nullptr;
    return label != nullptr ? label : params_.Text;
  }

  void SetText(const std::string& text) override {
    params_.Text = text;
    if (widget_ != nullptr) {
      gtk_button_set_label(GTK_BUTTON(widget_), text.c_str());
    }
  }

 protected:
  using Control::Control;
};

}  // namespace gtk
