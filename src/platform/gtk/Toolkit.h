// Starting GTK once for the process: the X11 back end and the program's name.
#pragma once

namespace gtk {

// Starts GTK on X11 (so that placing windows and keeping them above work, under XWayland too)
// with the program name "vorlix" (WM_CLASS vorlix, Vorlix). False when no display opens.
bool StartToolkit();

}  // namespace gtk
