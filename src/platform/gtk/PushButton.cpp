// A push button.
#include "platform/gtk/PushButton.h"

namespace gtk {

PushButton::PushButton(Form& form, const fw::ControlParams& params, fw::ControlEvents& events)
    : Control(form, params, events) {
  GtkWidget* button = gtk_button_new_with_label(params.Text.c_str());
  g_signal_connect(button, "clicked", G_CALLBACK(OnClicked), this);
  Attach(button, ATK_ROLE_PUSH_BUTTON);
}

std::string PushButton::Text() const {
  const gchar* label = widget_ != nullptr ? gtk_button_get_label(GTK_BUTTON(widget_)) : nullptr;
  return label != nullptr ? label : params_.Text;
}

void PushButton::SetText(const std::string& text) {
  params_.Text = text;
  if (widget_ != nullptr) {
    gtk_button_set_label(GTK_BUTTON(widget_), text.c_str());
  }
}

void PushButton::OnClicked(GtkButton*, gpointer self) {
  static_cast<PushButton*>(self)->events_.PlatformClick();
}

}  // namespace gtk
