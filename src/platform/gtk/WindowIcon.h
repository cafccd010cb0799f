// The icon of every window of the program: the art built into it, at the sizes that window
// managers and taskbars use. The icon theme's "vorlix" serves the menu entry alone.
#pragma once

#include <gtk/gtk.h>

namespace gtk {

// Sets the default icon of the program's windows; GTK must be started.
void SetProgramIcon();

// The built-in art as one image per size, smallest first (a list for
// gtk_window_set_default_icon_list, freed with g_list_free_full and g_object_unref).
GList* BuiltInIconList();

}  // namespace gtk
