// The start-up error display on Linux: where the error was raised and its message, in a GTK
// error box.
#pragma once

#include <cstdint>
#include <exception>
#include <string>

namespace app {

void ShowGtkStartupError(const std::exception& error);

// The file name of the module that holds the address (the program's own for its code), and
// the address counted from that module's load address.
std::string ModuleOfAddress(const void* address, std::uintptr_t& offset);

}  // namespace app
