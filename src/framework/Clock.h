// The program's clocks: the millisecond clock, the tick counter, the timer resolution, sleeping.
#pragma once

#include <cstdint>

namespace fw {
// The program's clocks: the millisecond clock, the tick counter, the timer resolution, sleeping.
class Clock {
 public:
  virtual ~Clock() = default;
  // The multimedia millisecond clock: 32 bits, wrapping at 2^32.
  virtual std::uint32_t Milliseconds() = 0;
  // The system tick counter in milliseconds: 32 bits, wrapping at 2^32.
  virtual std::uint32_t Ticks() = 0;
  virtual void Sleep(std::uint32_t ms) = 0;
  // The finest timer period the platform offers; raising the resolution to it and back.
  virtual std::uint32_t MinimumPeriod() = 0;
  virtual void BeginPeriod(std::uint32_t period) = 0;
  virtual void EndPeriod(std::uint32_t period) = 0;
};
}  // namespace fw
