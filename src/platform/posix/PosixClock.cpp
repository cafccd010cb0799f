// The program's clocks on CLOCK_MONOTONIC.
#include "platform/posix/PosixClock.h"

#include <cerrno>
#include <ctime>

namespace posix {

namespace {

std::uint32_t MonotonicMilliseconds() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return WrappedMilliseconds(now.tv_sec, now.tv_nsec);
}

}  // namespace

std::uint32_t WrappedMilliseconds(std::int64_t seconds, std::int64_t nanoseconds) {
  const std::uint64_t count = static_cast<std::uint64_t>(seconds) * 1000 +
                              static_cast<std::uint64_t>(nanoseconds / 1000000);
  return static_cast<std::uint32_t>(count);
}

std::uint32_t PosixClock::Milliseconds() {
  return MonotonicMilliseconds();
}

std::uint32_t PosixClock::Ticks() {
  return MonotonicMilliseconds();
}

void PosixClock::Sleep(std::uint32_t ms) {
  timespec left{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000};
  while (nanosleep(&left, &left) != 0 && errno == EINTR) {
  }
}

}  // namespace posix
