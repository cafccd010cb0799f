// The program's load configuration, for mingw-w64 builds: the loader resolves the program's
// static imports from the system folder alone, where it honours the flag.
#include "platform/win32/Win32.h"

namespace {

// Every field but the size and the flags stays zero, as in a program without a configuration.
constexpr IMAGE_LOAD_CONFIG_DIRECTORY LoadConfig() {
  IMAGE_LOAD_CONFIG_DIRECTORY config{};
  config.Size = sizeof config;
  // DependentLoadFlags, which mingw-w64's headers still call Reserved1.
  config.Reserved1 = LOAD_LIBRARY_SEARCH_SYSTEM32;
  return config;
}

}  // namespace

// The linker points the image's load configuration directory at the symbol of this name.
extern "C" constinit const IMAGE_LOAD_CONFIG_DIRECTORY _load_config_used = LoadConfig();
