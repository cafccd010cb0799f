// Where a window that the window system has just placed goes instead, so that it shows fully on
// its monitor and clear of the program's main window.
#pragma once

#include "framework/Types.h"

namespace fw {

// True when the two rectangles share at least one pixel.
bool Overlaps(const TBounds& a, const TBounds& b);

// True when `inner` lies wholly inside `outer`.
bool Contains(const TBounds& outer, const TBounds& inner);

// The top-left corner for a window of `placed`'s size: its own when it lies in the work area
// clear of `main`; else the first of below `main`, to its right, above it and to its left that
// fits the work area (slid along `main`'s edge as far as the work area needs); else its own
// place moved into the work area. Rectangles are frames, in screen pixels.
TPoint PlaceInView(const TBounds& placed, const TBounds& main, const TBounds& workArea);

}  // namespace fw
