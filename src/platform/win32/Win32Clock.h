// The program's clocks on Windows: the multimedia clock, the tick counter, the timer resolution
// and sleeping.
#pragma once

#include "framework/Clock.h"

namespace win32 {

class Win32Clock : public fw::Clock {
 public:
  std::uint32_t Milliseconds() override;
  std::uint32_t Ticks() override;
  void Sleep(std::uint32_t ms) override;
  std::uint32_t MinimumPeriod() override;
  void BeginPeriod(std::uint32_t period) override;
  void EndPeriod(std::uint32_t period) override;
};

}  // namespace win32
