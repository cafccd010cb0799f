// The Windows entry: the Win32 echo service, back end and start-up error display, handed to the
// shared start-up.
#include <memory>

#include "app/Program.h"
#include "app/Win32StartupError.h"
#include "platform/win32/DllSearch.h"
#include "platform/win32/Win32.h"
#include "platform/win32/Win32Backend.h"
#include "platform/win32/Win32EchoService.h"

namespace {

class Win32Platform : public app::Platform {
 public:
  std::unique_ptr<probe::EchoService> MakeEchoService() override {
    return std::make_unique<win32::Win32EchoService>();
  }
  std::unique_ptr<fw::Backend> MakeBackend() override {
    return std::make_unique<win32::Win32Backend>();
  }
  void ShowStartupError(const std::exception& error) override { app::ShowStartupError(error); }
};

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  // The first step: every DLL loaded from here on comes from the system folder, never from the
  // program's own folder, where anyone may have put a file of the same name. The program imports
  // statically only DLLs that the system takes from its known-DLL list.
  if (!win32::RestrictDllSearch()) {
    // Not even a message box: showing one loads DLLs, and the search is not restricted.
    return 1;
  }
  Win32Platform platform;
  return app::RunProgram(platform);
}
