// The entry: sets the title, creates the windows, runs the loop and shuts down.
#include <exception>

#include "app/StartupError.h"
#include "framework/Application.h"
#include "platform/win32/Win32.h"
#include "platform/win32/Win32Backend.h"
#include "platform/win32/Win32EchoService.h"
#include "ui/Config.h"
#include "ui/Main.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  win32::Win32EchoService echoService;
  probe::EchoService::Install(&echoService);
  win32::Win32Backend backend;
  fw::TApplication application(backend);

  application.Initialize();
  application.SetTitle("Vorlix");
  try {
    application.CreateForm(Form_Main);
    application.CreateForm(Form_Config);
  } catch (const std::exception& error) {
    app::ShowStartupError(error);
    application.DestroyForms();
    return 1;
  }
  application.Run();
  application.DestroyForms();
  return 0;
}
