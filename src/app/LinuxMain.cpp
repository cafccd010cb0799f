// The Linux entry: the POSIX files, clock and echo service, GLib's locale rule and the GTK back
// end, then the shared start-up.
#include <memory>

#include "app/GtkStartupError.h"
#include "app/Program.h"
#include "platform/gtk/GlibLocale.h"
#include "platform/gtk/GtkBackend.h"
#include "platform/posix/IcmpEchoService.h"
#include "platform/posix/PosixClock.h"
#include "platform/posix/PosixFiles.h"

namespace {

class LinuxPlatform : public app::Platform {
 public:
  std::unique_ptr<probe::EchoService> MakeEchoService() override {
    return std::make_unique<posix::IcmpEchoService>();
  }
  fw::System System() override { return fw::System{files_, clock_, locale_}; }
  // A second termination signal ends the program at once, but never in the middle of a save.
  std::unique_ptr<fw::Backend> MakeBackend() override {
    return std::make_unique<gtk::GtkBackend>([this] { files_.HoldWrites(); });
  }
  void ShowStartupError(const std::exception& error) override { app::ShowGtkStartupError(error); }

 private:
  posix::PosixFiles files_;
  posix::PosixClock clock_;
  gtk::GlibLocale locale_;
};

}  // namespace

int main() {
  LinuxPlatform platform;
  return app::RunProgram(platform);
}
