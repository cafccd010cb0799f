// A headless application with a scripted echo service, ready for a test.
#pragma once

#include <memory>

#include "HeadlessBackend.h"
#include "HeadlessLocale.h"
#include "ScriptedEchoService.h"
#include "framework/Application.h"

namespace headless {

struct Harness {
  Harness() {
    probe::EchoService::Install(&echo);
    // Sleeps join the echo service's calls, so that tests see both in their order.
    backend.Time().Journal = &echo.Calls;
    app = std::make_unique<fw::TApplication>(
        backend, fw::System{backend.MemoryFiles(), backend.Time(), locale});
    app->SetTitle("Vorlix");
  }
  ~Harness() {
    app.reset();
    probe::EchoService::Install(nullptr);
  }

  HeadlessBackend backend;
  HeadlessLocale locale;
  ScriptedEchoService echo{backend};
  std::unique_ptr<fw::TApplication> app;
};

}  // namespace headless
