// A push button.
#include "platform/gtk/PushButton.h"

namespace gtk {

PushButton::PushButton(Form& form, const fw::ControlParams& params, fw::ControlEvents& events)
    : ButtonBase(form, params, events) {
  GtkWidget* button = gtk_button_new_with_label(params.Text.c_str());
  g_signal_connect(button, "clicked", G_CALLBACK(OnClicked), this);
  Attach(button, ATK_ROLE_PUSH_BUTTON);
}

void PushButton::OnClicked(GtkButton*, gpointer self) {
  static_cast<PushButton*>(self)->events_.PlatformClick();
}

}  // namespace gtk
