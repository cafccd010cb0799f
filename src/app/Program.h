// The shared start-up: what one platform's entry provides, and the run of the program on it.
#pragma once

#include <exception>
#include <memory>

#include "framework/Backend.h"
#include "framework/System.h"
#include "probe/EchoService.h"

namespace app {

// What one platform's entry provides to the shared start-up.
class Platform {
 public:
  virtual ~Platform() = default;
  virtual std::unique_ptr<probe::EchoService> MakeEchoService() = 0;
  // The files, the clocks and the locale's rule, which the platform keeps for the program's
  // life; asked for inside start-up's guard, as binding them may fail.
  virtual fw::System System() = 0;
  virtual std::unique_ptr<fw::Backend> MakeBackend() = 0;
  virtual void ShowStartupError(const std::exception& error) = 0;
};

// Start-up, the loop and shutdown; returns the exit code: 0, or 1 when start-up failed.
// The back end and the application object are made inside the same guard as the windows.
int RunProgram(Platform& platform);

}  // namespace app
