// The font of the layout: the one face both windows use, at a height and weight.
#pragma once

#include "framework/Types.h"

namespace ui {

// The layout's face with its Shift-JIS character set; a negative height is the character height
// in pixels at 96 dots per inch.
fw::TFont LayoutFont(int height, bool bold);

}  // namespace ui
