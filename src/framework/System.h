// What the program uses of the system besides its windows: files in the current directory,
// the clocks, and the locale's rule for letter case. The platform's entry keeps them for the
// program's life and hands them to the application beside the windowing back end.
#pragma once

#include "framework/Clock.h"
#include "framework/FileAccess.h"
#include "framework/Locale.h"

namespace fw {

struct System {
  FileAccess& Files;
  Clock& Clocks;
  Locale& Texts;
};

}  // namespace fw
