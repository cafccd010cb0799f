// The error box of both error displays: a modal GTK message dialog with the error icon and one
// OK button.
#pragma once

#include <gtk/gtk.h>

#include <string>

namespace gtk {

// Shows the box, transient for the parent and centred over it when one is given, otherwise in
// the middle of the screen, and returns when it is closed.
void RunErrorDialog(GtkWindow* parent, const std::string& title, const std::string& text);

}  // namespace gtk
