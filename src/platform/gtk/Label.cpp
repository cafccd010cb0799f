// A label.
#include "platform/gtk/Label.h"

namespace gtk {

Label::Label(Form& form, const fw::ControlParams& params, fw::ControlEvents& events)
    : Control(form, params, events) {
  GtkWidget* label = gtk_label_new(params.Text.c_str());
  gtk_label_set_xalign(GTK_LABEL(label), 0.0f);
  gtk_label_set_yalign(GTK_LABEL(label), 0.0f);
  // A fixed layout gives a child at least its natural size: the label is never cut.
  Attach(label, ATK_ROLE_LABEL);
}

void Label::SetText(const std::string& text) {
  params_.Text = text;
  if (widget_ != nullptr) {
    gtk_label_set_text(GTK_LABEL(widget_), text.c_str());
  }
}

}  // namespace gtk
