// What the forms need to know of the window manager that manages the display.
#pragma once

namespace gtk {

// Whether the window manager draws a minimize button for the minimize function whatever the
// decorations a window asks for (xfwm4). The others draw none for it (mutter, icewm) or one
// on every frame (openbox), and mutter and icewm minimize a window from its taskbar entry only
// when it offers the function.
bool MinimizeFunctionShowsAButton();

}  // namespace gtk
