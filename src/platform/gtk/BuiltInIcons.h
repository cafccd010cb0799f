// The program's icon built into it, for a desktop whose icon theme lacks it (an uninstalled
// build): the PNG files of res/icons, embedded by the build.
#pragma once

#include <cstddef>
#include <span>

namespace gtk {

struct IconImage {
  int Size;  // width and height in pixels
  const unsigned char* Png;
  std::size_t Length;
};

// Every size, smallest first.
std::span<const IconImage> BuiltInIcons();

}  // namespace gtk
