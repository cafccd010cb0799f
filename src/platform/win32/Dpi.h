// Layout sizes are in 96-dpi units; a window scales them to its own dots per inch.
#pragma once

#include "platform/win32/Win32.h"

namespace win32 {

inline int Scaled(int value, UINT dpi) {
  return MulDiv(value, static_cast<int>(dpi), 96);
}

}  // namespace win32
