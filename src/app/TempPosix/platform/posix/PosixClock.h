// TEMPORARY stand-in until the posix work lands (dropped at its merge): the clocks from
// CLOCK_MONOTONIC.
#pragma once

#include "framework/Clock.h"

namespace posix {

class PosixClock : public fw::Clock {
 public:
  std::uint32_t Milliseconds() override;
  std::uint32_t Ticks() override { return Milliseconds(); }
  void Sleep(std::uint32_t ms) override;
  std::uint32_t MinimumPeriod() override { return 1; }
  void BeginPeriod(std::uint32_t) override {}
  void EndPeriod(std::uint32_t) override {}
};

}  // namespace posix
