// The start-up error display on Windows: where the error was raised and its message, in a stop
// box.
#pragma once

#include <exception>

namespace app {

void ShowStartupError(const std::exception& error);

}  // namespace app
