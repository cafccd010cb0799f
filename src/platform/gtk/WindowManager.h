// What the forms need to know of the window manager that manages the display.
#pragma once

namespace gtk {

// Whether the window manager minimizes a window from its taskbar entry only when the window
// offers the minimize function (mutter); the others minimize it all the same, and some
// (xfwm4) draw a minimize button for the function, which the frames have not.
bool TaskbarMinimizeNeedsTheFunction();

}  // namespace gtk
