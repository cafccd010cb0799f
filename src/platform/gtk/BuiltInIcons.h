// The program's icon built into it as raw pixels, so that no image is decoded and no icon
// theme is read for the window icon (the build makes them from res/icons).
#pragma once

#include <span>

namespace gtk {

struct IconImage {
  int Size;                   // width and height in pixels
  const unsigned char* Rgba;  // Size rows of Size pixels: red, green, blue, alpha, unpremultiplied
};

// Every size, smallest first.
std::span<const IconImage> BuiltInIcons();

}  // namespace gtk
