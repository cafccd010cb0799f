// Where windows are on the screen, for keeping a newly placed window in view.
#pragma once

#include <gtk/gtk.h>

#include "framework/Types.h"

namespace gtk {

// The window's frame (the title bar and borders the window manager adds, and the window) in
// screen pixels; empty while it is not mapped.
fw::TBounds FrameBounds(GtkWindow* window);

// The work area (the monitor less its panels) of the monitor that the window is on.
fw::TBounds WorkArea(GtkWindow* window);

}  // namespace gtk
