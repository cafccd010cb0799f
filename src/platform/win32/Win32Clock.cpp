// The program's clocks on Windows.
#include "platform/win32/Win32Clock.h"

namespace win32 {

Win32Clock::Win32Clock() : winmm_("WINMM.DLL") {
  if (!(winmm_.Find(timeGetTime_, "timeGetTime") &&
        winmm_.Find(timeGetDevCaps_, "timeGetDevCaps") &&
        winmm_.Find(timeBeginPeriod_, "timeBeginPeriod") &&
        winmm_.Find(timeEndPeriod_, "timeEndPeriod"))) {
    throw ELibraryError(winmm_.MissingText());
  }
}

std::uint32_t Win32Clock::Milliseconds() {
  return timeGetTime_();
}

std::uint32_t Win32Clock::Ticks() {
  return GetTickCount();
}

void Win32Clock::Sleep(std::uint32_t ms) {
  ::Sleep(ms);
}

std::uint32_t Win32Clock::MinimumPeriod() {
  TIMECAPS caps{};
  timeGetDevCaps_(&caps, sizeof caps);
  return caps.wPeriodMin;
}

void Win32Clock::BeginPeriod(std::uint32_t period) {
  timeBeginPeriod_(period);
}

void Win32Clock::EndPeriod(std::uint32_t period) {
  timeEndPeriod_(period);
}

}  // namespace win32
