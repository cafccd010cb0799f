// The base of every control of a GTK form.
#include "platform/gtk/Control.h"

#include <utility>

#include "platform/gtk/Form.h"

namespace gtk {

namespace {
constexpr const char kControlKey[] = "vorlix-control";
}

Control::Control(Form& form, fw::ControlParams params, fw::ControlEvents& events)
    : params_(std::move(params)), events_(events), form_(form) {}

Control::~Control() {
  form_.Forget(this);
  if (widget_ != nullptr) {
    g_object_set_data(G_OBJECT(widget_), kControlKey, nullptr);
    g_signal_handlers_disconnect_by_data(widget_, this);
    gtk_widget_destroy(widget_);
  }
}

void Control::Attach(GtkWidget* widget, AtkRole role) {
  widget_ = widget;
  g_object_set_data(G_OBJECT(widget_), kControlKey, this);
  g_signal_connect(widget_, "destroy", G_CALLBACK(OnDestroy), this);
  // Only the controls of the tab order take the focus: never a label, group box or frame.
  gtk_widget_set_can_focus(widget_, params_.TabStop ? TRUE : FALSE);
  AtkObject* accessible = gtk_widget_get_accessible(widget_);
  atk_object_set_role(accessible, role);
  if (!params_.AccessibleName.empty()) {
    atk_object_set_name(accessible, params_.AccessibleName.c_str());
  }
  SetHint(params_.Hint);
  form_.Put(*this);
  gtk_widget_show(widget_);
}

void Control::SetHint(const std::string& hint) {
  params_.Hint = hint;
  if (widget_ != nullptr) {
    gtk_widget_set_tooltip_text(widget_, hint.empty() ? nullptr : hint.c_str());
  }
}

const Scale& Control::CurrentScale() const {
  return form_.GetScale();
}

Control* Control::FromWidget(GtkWidget* widget) {
  return widget != nullptr ? static_cast<Control*>(g_object_get_data(G_OBJECT(widget), kControlKey))
                           : nullptr;
}

void Control::OnDestroy(GtkWidget* widget, gpointer self) {
  g_object_set_data(G_OBJECT(widget), kControlKey, nullptr);
  static_cast<Control*>(self)->widget_ = nullptr;
}

}  // namespace gtk
