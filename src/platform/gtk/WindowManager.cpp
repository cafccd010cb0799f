// What the forms need to know of the window manager.
#include "platform/gtk/WindowManager.h"

#include <gdk/gdkx.h>

namespace gtk {

// By the name the window manager gives itself (_NET_WM_NAME of its check window).
bool MinimizeFunctionShowsAButton() {
  GdkScreen* screen = gdk_screen_get_default();
  const char* name =
      GDK_IS_X11_SCREEN(screen) ? gdk_x11_screen_get_window_manager_name(screen) : nullptr;
  return name != nullptr && g_str_has_prefix(name, "Xfwm4");
}

}  // namespace gtk
