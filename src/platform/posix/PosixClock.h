// The program's clocks on CLOCK_MONOTONIC.
#pragma once

#include <cstdint>

#include "framework/Clock.h"

namespace posix {

// Both the millisecond clock and the tick counter count milliseconds of CLOCK_MONOTONIC, cut to
// 32 bits. The timer needs no raising of its resolution here.
class PosixClock : public fw::Clock {
 public:
  std::uint32_t Milliseconds() override;
  std::uint32_t Ticks() override;
  void Sleep(std::uint32_t ms) override;
  std::uint32_t MinimumPeriod() override { return 1; }
  void BeginPeriod(std::uint32_t) override {}
  void EndPeriod(std::uint32_t) override {}
};

// A monotonic time as a 32-bit count of milliseconds, wrapping at 2^32.
std::uint32_t WrappedMilliseconds(std::int64_t seconds, std::int64_t nanoseconds);

}  // namespace posix
