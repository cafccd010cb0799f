// The result panel.
#include "platform/gtk/Panel.h"

#include "platform/gtk/GObjectPtr.h"
#include "platform/gtk/Style.h"

namespace gtk {

Panel::Panel(Form& form, const fw::ControlParams& params, fw::ControlEvents& events)
    : Control(form, params, events) {
  GtkWidget* area = gtk_drawing_area_new();
  gtk_widget_add_events(area, GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK);
  g_signal_connect(area, "draw", G_CALLBACK(OnDraw), this);
  g_signal_connect(area, "button-press-event", G_CALLBACK(OnPress), this);
  g_signal_connect(area, "button-release-event", G_CALLBACK(OnRelease), this);
  // Read as a label: its accessible name is the caption, and a change of it is announced.
  Attach(area, ATK_ROLE_LABEL);
  atk_object_set_name(gtk_widget_get_accessible(widget_), params_.Text.c_str());
}

void Panel::SetText(const std::string& text) {
  params_.Text = text;
  if (widget_ != nullptr) {
    atk_object_set_name(gtk_widget_get_accessible(widget_), text.c_str());
    gtk_widget_queue_draw(widget_);
  }
}

void Panel::SetFontColor(fw::TColor color) {
  params_.Font.Color = color;
  if (widget_ != nullptr) {
    gtk_widget_queue_draw(widget_);
  }
}

// Black (the panel's colour) all over, then the caption in the panel's bold font: centred
// across, its line's top at half the free height with the fraction dropped, and cut at the
// panel's edges when it does not fit.
void Panel::Draw(cairo_t* cr) {
  const int width = gtk_widget_get_allocated_width(widget_);
  const int height = gtk_widget_get_allocated_height(widget_);
  const GdkRGBA fill = ToRgba(params_.Color);
  gdk_cairo_set_source_rgba(cr, &fill);
  cairo_paint(cr);
  if (params_.Text.empty()) {
    return;
  }
  GObjectPtr<PangoLayout> layout(gtk_widget_create_pango_layout(widget_, params_.Text.c_str()));
  int textWidth = 0;
  int textHeight = 0;
  pango_layout_get_pixel_size(layout.get(), &textWidth, &textHeight);
  cairo_rectangle(cr, 0, 0, width, height);
  cairo_clip(cr);
  const GdkRGBA ink = ToRgba(params_.Font.Color);
  gdk_cairo_set_source_rgba(cr, &ink);
  const int left = (width - textWidth) / 2;
  const int top = (height - textHeight) / 2;
  cairo_move_to(cr, left, top);
  pango_cairo_show_layout(cr, layout.get());
}

gboolean Panel::OnDraw(GtkWidget*, cairo_t* cr, gpointer self) {
  static_cast<Panel*>(self)->Draw(cr);
  return TRUE;
}

// The second press of a double click (GDK reports it as a press of its own kind after the
// plain one) counts as no click: the release that follows does nothing.
gboolean Panel::OnPress(GtkWidget*, GdkEventButton* event, gpointer self) {
  auto* panel = static_cast<Panel*>(self);
  if (event->button == GDK_BUTTON_PRIMARY) {
    if (event->type == GDK_BUTTON_PRESS) {
      panel->pressed_ = true;
    } else if (event->type == GDK_2BUTTON_PRESS) {
      panel->pressed_ = false;
    }
  }
  return TRUE;
}

gboolean Panel::OnRelease(GtkWidget* widget, GdkEventButton* event, gpointer self) {
  auto* panel = static_cast<Panel*>(self);
  if (event->button != GDK_BUTTON_PRIMARY) {
    return TRUE;
  }
  const bool wasPressed = panel->pressed_;
  panel->pressed_ = false;
  // The press grabbed the pointer, so the release comes here even outside the panel.
  const bool inside = event->x >= 0 && event->y >= 0 &&
                      event->x < gtk_widget_get_allocated_width(widget) &&
                      event->y < gtk_widget_get_allocated_height(widget);
  if (wasPressed && inside) {
    panel->events_.PlatformClick();
  }
  return TRUE;
}

}  // namespace gtk
