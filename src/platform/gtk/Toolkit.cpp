// Starting GTK once for the process.
#include "platform/gtk/Toolkit.h"

#include <gtk/gtk.h>

namespace gtk {

bool StartToolkit() {
  static bool started = false;
  if (!started) {
    gdk_set_allowed_backends("x11");
    g_set_prgname("vorlix");
    started = gtk_init_check(nullptr, nullptr) != FALSE;
  }
  return started;
}

}  // namespace gtk
