// A headless application with a scripted echo service, ready for a test.
#pragma once

#include <memory>

#include "HeadlessBackend.h"
#include "ScriptedEchoService.h"
#include "framework/Application.h"

namespace headless {

struct Harness {
  Harness() {
    probe::EchoService::Install(&echo);
    app = std::make_unique<fw::TApplication>(backend);
    app->SetTitle("Vorlix");
  }
  ~Harness() {
    app.reset();
    probe::EchoService::Install(nullptr);
  }

  HeadlessBackend backend;
  ScriptedEchoService echo{&backend};
  std::unique_ptr<fw::TApplication> app;
};

}  // namespace headless
