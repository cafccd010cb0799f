// The program's clocks on Windows.
#include "platform/win32/Win32Clock.h"

#include "platform/win32/Win32.h"

// After windows.h, which it needs.
#include <mmsystem.h>

namespace win32 {

std::uint32_t Win32Clock::Milliseconds() {
  return timeGetTime();
}

std::uint32_t Win32Clock::Ticks() {
  return GetTickCount();
}

void Win32Clock::Sleep(std::uint32_t ms) {
  ::Sleep(ms);
}

std::uint32_t Win32Clock::MinimumPeriod() {
  TIMECAPS caps{};
  timeGetDevCaps(&caps, sizeof caps);
  return caps.wPeriodMin;
}

void Win32Clock::BeginPeriod(std::uint32_t period) {
  timeBeginPeriod(period);
}

void Win32Clock::EndPeriod(std::uint32_t period) {
  timeEndPeriod(period);
}

}  // namespace win32
