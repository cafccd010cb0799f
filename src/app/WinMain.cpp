// The Windows entry: the Win32 back end and echo service, then the shared start-up.
#include <memory>

#include "app/Program.h"
#include "app/StartupError.h"
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
  Win32Platform platform;
  return app::RunProgram(platform);
}
