// A check box.
#include "platform/gtk/CheckBox.h"

namespace gtk {

CheckBox::CheckBox(Form& form, const fw::ControlParams& params, fw::ControlEvents& events)
    : ButtonBase(form, params, events) {
  GtkWidget* box = gtk_check_button_new_with_label(params.Text.c_str());
  gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(box), params.Checked ? TRUE : FALSE);
  g_signal_connect(box, "clicked", G_CALLBACK(OnClicked), this);
  g_signal_connect(box, "key-press-event", G_CALLBACK(OnKeyPress), this);
  Attach(box, ATK_ROLE_CHECK_BOX);
}

bool CheckBox::Checked() const {
  return widget_ != nullptr ? gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(widget_)) != FALSE
                            : params_.Checked;
}

// Setting the state makes GTK emit "clicked" as a click would; that one is not reported.
void CheckBox::SetChecked(bool checked) {
  params_.Checked = checked;
  if (widget_ != nullptr) {
    setting_ = true;
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(widget_), checked ? TRUE : FALSE);
    setting_ = false;
  }
}

void CheckBox::OnClicked(GtkButton*, gpointer self) {
  auto* box = static_cast<CheckBox*>(self);
  if (!box->setting_) {
    box->events_.PlatformClick();
  }
}

// Space toggles a check box; Enter, which GTK's buttons also take, leaves it alone, as a check
// box in a dialog does on Windows.
gboolean CheckBox::OnKeyPress(GtkWidget*, GdkEventKey* event, gpointer) {
  switch (event->keyval) {
    case GDK_KEY_Return:
    case GDK_KEY_KP_Enter:
    case GDK_KEY_ISO_Enter:
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace gtk
