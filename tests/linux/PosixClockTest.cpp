// The clocks: 32-bit millisecond counts that wrap at 2^32.
#include "platform/posix/PosixClock.h"

#include <gtest/gtest.h>

namespace {

TEST(PosixClock, MillisecondsWrapAtTwoToTheThirtySecond) {
  struct Case {
    std::int64_t seconds;
    std::int64_t nanoseconds;
    std::uint32_t expected;
  };
  const Case cases[] = {
      {0, 0, 0},
      {1, 999999999, 1999},
      {4294967, 295999999, 4294967295u},  // the last count before the wrap
      {4294967, 296000000, 0},
      {4294967, 297500000, 1},
      {8589934, 592000000, 0},  // twice round
      {12345678901, 0, static_cast<std::uint32_t>(12345678901000ull)},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(posix::WrappedMilliseconds(c.seconds, c.nanoseconds), c.expected)
        << c.seconds << " s " << c.nanoseconds << " ns";
  }
}

TEST(PosixClock, BothCountersAdvanceWithSleep) {
  posix::PosixClock clock;
  const std::uint32_t ticks = clock.Ticks();
  const std::uint32_t milliseconds = clock.Milliseconds();
  clock.Sleep(50);
  EXPECT_GE(clock.Ticks() - ticks, 50u);
  EXPECT_LT(clock.Ticks() - ticks, 200u);
  EXPECT_GE(clock.Milliseconds() - milliseconds, 50u);
  EXPECT_EQ(clock.MinimumPeriod(), 1u);
}

}  // namespace
