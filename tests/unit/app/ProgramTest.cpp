// The shared start-up: the run of the program, and failures anywhere in start-up ending in the
// start-up error display and exit code 1.
#include "app/Program.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "HeadlessBackend.h"
#include "HeadlessLocale.h"
#include "ScriptedEchoService.h"
#include "base/Exception.h"
#include "ui/Config.h"
#include "ui/Main.h"

namespace {

// The headless back end and a scripted echo service, handed over as a platform's entry would;
// it notes what the start-up error display would show.
class TestPlatform : public app::Platform {
 public:
  TestPlatform()
      : backend_(std::make_unique<headless::HeadlessBackend>()),
        echo_(std::make_unique<headless::ScriptedEchoService>(*backend_)) {
    backend_->MemoryFiles().Files["Vorlix.ini"] =
        "MainFormPosX=10\r\nMainFormPosY=20\r\nConfigFormPosX=30\r\nConfigFormPosY=40\r\n"
        "IP=198.18.0.20\r\nTimeOut=800\r\nAutoPing=0\r\nPingTime=5\r\nStayOnTop=0\r\n";
  }

  // Until the start-up takes them over.
  headless::HeadlessBackend& Backend() { return *backend_; }
  headless::ScriptedEchoService& Echo() { return *echo_; }

  bool FailEchoService = false;
  bool FailBackend = false;
  std::vector<std::string> Shown;

  std::unique_ptr<probe::EchoService> MakeEchoService() override {
    if (FailEchoService) {
      throw std::runtime_error("no echo service");
    }
    return std::move(echo_);
  }
  fw::System System() override {
    return fw::System{backend_->MemoryFiles(), backend_->Time(), locale_};
  }
  std::unique_ptr<fw::Backend> MakeBackend() override {
    if (FailBackend) {
      throw base::Exception("no back end");
    }
    return std::move(backend_);
  }
  void ShowStartupError(const std::exception& error) override { Shown.emplace_back(error.what()); }

 private:
  std::unique_ptr<headless::HeadlessBackend> backend_;
  std::unique_ptr<headless::ScriptedEchoService> echo_;
  headless::HeadlessLocale locale_;
};

TEST(Program, RunsWithBothWindowsUntilTheMainWindowClosesAndExitsWithZero) {
  TestPlatform platform;
  headless::HeadlessBackend& backend = platform.Backend();
  std::string caption;
  bool mainShown = false;
  bool configShown = true;
  backend.Post([&] {
    caption = Form_Main->Caption();
    mainShown = Form_Main->Visible();
    configShown = Form_Config->Visible();
  });
  backend.CloseRequest("TForm_Main");
  EXPECT_EQ(app::RunProgram(platform), 0);
  EXPECT_TRUE(platform.Shown.empty());
  EXPECT_EQ(caption, "IP: 198.18.0.20");
  EXPECT_TRUE(mainShown);
  EXPECT_FALSE(configShown);
  EXPECT_EQ(Form_Main, nullptr);
  EXPECT_EQ(Form_Config, nullptr);
}

TEST(Program, AFailureAnywhereInStartUpIsShownAndExitsWithOne) {
  struct Case {
    const char* name;
    void (*arrange)(TestPlatform&);
    const char* shown;
  };
  const Case cases[] = {
      {"the echo service", [](TestPlatform& p) { p.FailEchoService = true; }, "no echo service"},
      {"the back end", [](TestPlatform& p) { p.FailBackend = true; }, "no back end"},
      {"the application window", [](TestPlatform& p) { p.Backend().FailApplicationWindow = true; },
       "cannot make the application window"},
      {"the probe", [](TestPlatform& p) { p.Echo().StartupResult = 10091; },
       "Winsock の初期化が出来ませんでした。"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TestPlatform platform;
    c.arrange(platform);
    EXPECT_EQ(app::RunProgram(platform), 1);
    EXPECT_EQ(platform.Shown, std::vector<std::string>{c.shown});
    EXPECT_EQ(Form_Main, nullptr);
    EXPECT_EQ(Form_Config, nullptr);
  }
}

}  // namespace
