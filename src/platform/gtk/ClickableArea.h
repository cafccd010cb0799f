// A drawing area that assistive technology can click: its accessible offers one action,
// "click", with the keys of the control's shortcut as the action's key binding (ATK's place
// for a shortcut), as a button's accessible does.
#pragma once

#include <gtk/gtk.h>

namespace gtk {

using ClickFunction = void (*)(gpointer data);

// A new drawing area whose accessible's action calls click(data) from the main loop, after the
// action's request has been answered; keyBinding (ATK's form, see KeyBindingOf) may be null.
// The area must not outlive data.
GtkWidget* NewClickableArea(const char* keyBinding, ClickFunction click, gpointer data);

}  // namespace gtk
