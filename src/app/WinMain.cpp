// The Windows entry: the Win32 echo service, files, clocks, locale rule, back end and start-up
// error display, handed to the shared start-up.
#include <memory>

#include "app/Program.h"
#include "app/Win32StartupError.h"
#include "platform/win32/DllSearch.h"
#include "platform/win32/Win32.h"
#include "platform/win32/Win32Backend.h"
#include "platform/win32/Win32Clock.h"
#include "platform/win32/Win32EchoService.h"
#include "platform/win32/Win32Files.h"
#include "platform/win32/Win32Locale.h"

namespace {

class Win32Platform : public app::Platform {
 public:
  std::unique_ptr<probe::EchoService> MakeEchoService() override {
    return std::make_unique<win32::Win32EchoService>();
  }
  // The clock binds the multimedia timer, which may be missing: it is made here, inside the
  // start-up's guard, before the back end.
  fw::System System() override {
    clock_ = std::make_unique<win32::Win32Clock>();
    return fw::System{files_, *clock_, locale_};
  }
  std::unique_ptr<fw::Backend> MakeBackend() override {
    return std::make_unique<win32::Win32Backend>();
  }
  void ShowStartupError(const std::exception& error) override { app::ShowStartupError(error); }

 private:
  win32::Win32Files files_;
  std::unique_ptr<win32::Win32Clock> clock_;
  win32::Win32Locale locale_;
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
