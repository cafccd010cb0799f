// The start-up error display on Linux.
#include "app/GtkStartupError.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "framework/ErrorText.h"
#include "platform/gtk/ErrorDialog.h"
#include "platform/gtk/GtkBackend.h"
#include "platform/gtk/Toolkit.h"

namespace app {

namespace {

std::string BaseName(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The program's own file name, as the kernel knows it.
std::string ProgramName() {
  char path[4096];
  const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
  return length > 0 ? BaseName(std::string(path, static_cast<std::size_t>(length))) : "vorlix";
}

// Marks the program's own image for dladdr.
void InProgram() {}

}  // namespace

std::string ModuleOfAddress(const void* address, std::uintptr_t& offset) {
  offset = 0;
  Dl_info found{};
  if (address == nullptr || dladdr(address, &found) == 0 || found.dli_fbase == nullptr) {
    return ProgramName();
  }
  offset =
      reinterpret_cast<std::uintptr_t>(address) - reinterpret_cast<std::uintptr_t>(found.dli_fbase);
  Dl_info program{};
  const bool inProgram = dladdr(reinterpret_cast<const void*>(&InProgram), &program) != 0 &&
                         program.dli_fbase == found.dli_fbase;
  if (inProgram || found.dli_fname == nullptr || *found.dli_fname == '\0') {
    return ProgramName();
  }
  return BaseName(found.dli_fname);
}

void ShowGtkStartupError(const std::exception& error) {
  if (const auto* noDisplay = dynamic_cast<const gtk::NoDisplay*>(&error)) {
    // No display, no window for the error display: what is missing, plainly, and nothing else.
    std::fprintf(stderr, "%s\n", noDisplay->what());
    return;
  }
  const std::string text = fw::StartupErrorText(error, ModuleOfAddress);
  if (gtk::StartToolkit()) {
    gtk::RunErrorDialog(nullptr, "アプリケーション エラー", text);
  } else {
    // Without a display the text can only go to the standard error stream.
    std::fprintf(stderr, "アプリケーション エラー\n%s\n", text.c_str());
  }
}

}  // namespace app
