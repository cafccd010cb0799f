// The result panel.
#include "platform/gtk/Panel.h"

#include "platform/gtk/ClickableArea.h"
#include "platform/gtk/GObjectPtr.h"
#include "platform/gtk/ShortCutKeys.h"
#include "platform/gtk/Style.h"

namespace gtk {

namespace {
// ATK_LIVE_POLITE, which ATK's headers have from 2.50 on.
constexpr gint kPolite = 1;
}  // namespace

Panel::Panel(Form& form, const fw::ControlParams& params, fw::ControlEvents& events)
    : Control(form, params, events) {
  // Assistive technology clicks the panel as the mouse does, and finds the keys that do.
  GtkWidget* area = NewClickableArea(KeyBindingOf(params.ShortCut), OnAction, this);
  gtk_widget_add_events(area, GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK);
  g_signal_connect(area, "draw", G_CALLBACK(OnDraw), this);
  g_signal_connect(area, "button-press-event", G_CALLBACK(OnPress), this);
  g_signal_connect(area, "button-release-event", G_CALLBACK(OnRelease), this);
  // Read as a label: its accessible name is the caption.
  Attach(area, ATK_ROLE_LABEL);
  atk_object_set_name(gtk_widget_get_accessible(widget_), params_.Text.c_str());
  MakeAnnouncer();
}

Panel::~Panel() {
  if (announcer_ != nullptr) {
    g_signal_handlers_disconnect_by_data(announcer_, this);
    gtk_widget_destroy(announcer_);
  }
}

// Orca 43 reads neither a label's name changes nor the toolkit's announcements, but it reads an
// info bar out, by its name alone, when the bar shows. So beside the panel lies an info bar that
// draws nothing (a label without text); each announcement names it by the panel's caption and
// tells that it shows. It takes no focus, and the panel keeps its own name and role.
void Panel::MakeAnnouncer() {
  GtkWidget* layout = gtk_widget_get_parent(widget_);
  if (!GTK_IS_FIXED(layout)) {
    return;
  }
  announcer_ = gtk_label_new(nullptr);
  gtk_widget_set_can_focus(announcer_, FALSE);
  atk_object_set_role(gtk_widget_get_accessible(announcer_), ATK_ROLE_INFO_BAR);
  g_signal_connect(announcer_, "destroy", G_CALLBACK(OnAnnouncerDestroy), this);
  gtk_fixed_put(GTK_FIXED(layout), announcer_, params_.Bounds.Left, params_.Bounds.Top);
  gtk_widget_show(announcer_);
}

void Panel::Announce() {
  if (widget_ == nullptr) {
    return;
  }
  const char* text = params_.Text.c_str();
  if (announcer_ != nullptr) {
    AtkObject* bar = gtk_widget_get_accessible(announcer_);
    atk_object_set_name(bar, text);
    atk_object_notify_state_change(bar, ATK_STATE_SHOWING, TRUE);
  }
  // The toolkit's own announcement, which newer screen readers read whatever has the focus:
  // "notification" from ATK 2.50 on, "announcement" in 2.46 and 2.48, none before.
  AtkObject* panel = gtk_widget_get_accessible(widget_);
  if (g_signal_lookup("notification", ATK_TYPE_OBJECT) != 0) {
    g_signal_emit_by_name(panel, "notification", text, kPolite);
  } else if (g_signal_lookup("announcement", ATK_TYPE_OBJECT) != 0) {
    g_signal_emit_by_name(panel, "announcement", text);
  }
}

void Panel::OnAction(gpointer self) {
  static_cast<Panel*>(self)->events_.PlatformClick();
}

void Panel::OnAnnouncerDestroy(GtkWidget*, gpointer self) {
  static_cast<Panel*>(self)->announcer_ = nullptr;
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
