// The start-up error display on Linux: where the error was raised and its message, in a GTK
// error box.
#pragma once

#include <exception>

namespace app {

void ShowGtkStartupError(const std::exception& error);

}  // namespace app
