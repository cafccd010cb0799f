// The shared start-up, loop and shutdown.
#include "app/Program.h"

#include "framework/Application.h"
#include "ui/Config.h"
#include "ui/Main.h"

namespace app {

int RunProgram(Platform& platform) {
  std::unique_ptr<probe::EchoService> echoService;
  std::unique_ptr<fw::Backend> backend;
  std::unique_ptr<fw::TApplication> application;
  try {
    echoService = platform.MakeEchoService();
    probe::EchoService::Install(echoService.get());
    backend = platform.MakeBackend();
    application = std::make_unique<fw::TApplication>(*backend);
    application->Initialize();
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
