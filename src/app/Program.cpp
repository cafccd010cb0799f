// The shared start-up: the echo service, the back end, the application and its two windows,
// then the loop and shutdown.
#include "app/Program.h"

#include "framework/Application.h"
#include "ui/Config.h"
#include "ui/Main.h"

namespace app {

namespace {

// Keeps the echo service installed for as long as the probes may use it.
class InstalledEchoService {
 public:
  InstalledEchoService() = default;
  InstalledEchoService(const InstalledEchoService&) = delete;
  InstalledEchoService& operator=(const InstalledEchoService&) = delete;
  ~InstalledEchoService() { probe::EchoService::Install(nullptr); }

  void Install(std::unique_ptr<probe::EchoService> service) {
    service_ = std::move(service);
    probe::EchoService::Install(service_.get());
  }

 private:
  std::unique_ptr<probe::EchoService> service_;
};

}  // namespace

int RunProgram(Platform& platform) {
  // Declared in this order so that they go in reverse: the application (with its windows and
  // the probe, which shuts the socket layer down) before the back end, the back end before the
  // echo service.
  InstalledEchoService echoService;
  std::unique_ptr<fw::Backend> backend;
  std::unique_ptr<fw::TApplication> application;
  try {
    echoService.Install(platform.MakeEchoService());
    const fw::System system = platform.System();
    backend = platform.MakeBackend();
    application = std::make_unique<fw::TApplication>(*backend, system);
    application->SetTitle("Vorlix");
    application->CreateForm(Form_Main);
    application->CreateForm(Form_Config);
  } catch (const std::exception& error) {
    platform.ShowStartupError(error);
    if (application) {
      application->DestroyForms();
    }
    return 1;
  }
  application->Run();
  application->DestroyForms();
  return 0;
}

}  // namespace app
