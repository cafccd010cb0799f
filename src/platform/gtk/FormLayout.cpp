// A top-level form's layout: its controls placed and sized in its fixed layout at the
// desktop's scale, and placed anew when that scale changes.
#include <algorithm>

#include "platform/gtk/Control.h"
#include "platform/gtk/Form.h"
#include "platform/gtk/GtkBackend.h"
#include "platform/gtk/Style.h"

namespace gtk {

const Scale& Form::GetScale() const {
  return backend_.GetScale();
}

void Form::Relayout() {
  const Scale& scale = GetScale();
  const int width = scale.Px(params_.Client.Width);
  const int height = scale.Px(params_.Client.Height);
  gtk_widget_set_size_request(fixed_, width, height);
  gtk_widget_set_size_request(underlay_, width, height);
  for (Control* control : controls_) {
    Place(*control);
    control->Rescaled();
  }
}

void Form::Put(Control& control) {
  const fw::TControlKind kind = control.Params().Kind;
  const bool under = kind == fw::TControlKind::GroupBox || kind == fw::TControlKind::Bevel;
  gtk_fixed_put(GTK_FIXED(under ? underlay_ : fixed_), control.Widget(), 0, 0);
  Place(control);
  backend_.GetStyle().ApplyFont(control.Widget(), control.Params().Font);
  controls_.push_back(&control);
}

void Form::Place(Control& control) {
  GtkWidget* widget = control.Widget();
  if (widget == nullptr) {
    return;
  }
  const Scale& scale = GetScale();
  const fw::TBounds& b = control.Params().Bounds;
  gtk_fixed_move(GTK_FIXED(gtk_widget_get_parent(widget)), widget, scale.Px(b.Left),
                 scale.Px(b.Top));
  gtk_widget_set_size_request(widget, scale.Px(b.Width), scale.Px(b.Height));
}

void Form::Forget(Control* control) {
  controls_.erase(std::remove(controls_.begin(), controls_.end(), control), controls_.end());
}

}  // namespace gtk
