// Where windows are on the screen.
#include "platform/gtk/InView.h"

namespace gtk {

fw::TBounds FrameBounds(GtkWindow* window) {
  GdkWindow* gdkWindow = gtk_widget_get_window(GTK_WIDGET(window));
  if (gdkWindow == nullptr || !gtk_widget_get_mapped(GTK_WIDGET(window))) {
    return fw::TBounds{};
  }
  GdkRectangle frame{};
  gdk_window_get_frame_extents(gdkWindow, &frame);
  return fw::TBounds{frame.x, frame.y, frame.width, frame.height};
}

fw::TBounds WorkArea(GtkWindow* window) {
  GdkDisplay* display = gtk_widget_get_display(GTK_WIDGET(window));
  GdkWindow* gdkWindow = gtk_widget_get_window(GTK_WIDGET(window));
  GdkMonitor* monitor = gdkWindow != nullptr ? gdk_display_get_monitor_at_window(display, gdkWindow)
                                             : gdk_display_get_primary_monitor(display);
  if (monitor == nullptr) {
    monitor = gdk_display_get_monitor(display, 0);
  }
  GdkRectangle area{};
  if (monitor != nullptr) {
    gdk_monitor_get_workarea(monitor, &area);
  }
  return fw::TBounds{area.x, area.y, area.width, area.height};
}

}  // namespace gtk
