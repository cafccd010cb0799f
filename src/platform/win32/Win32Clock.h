// The program's clocks on Windows: the multimedia clock, the tick counter, the timer resolution
// and sleeping.
#pragma once

#include "framework/Clock.h"
#include "platform/win32/SystemLibrary.h"

// After windows.h, which it needs.
#include <mmsystem.h>

namespace win32 {

class Win32Clock : public fw::Clock {
 public:
  // Binds the multimedia timer of the system's winmm; raises ELibraryError when it is missing.
  Win32Clock();

  std::uint32_t Milliseconds() override;
  std::uint32_t Ticks() override;
  void Sleep(std::uint32_t ms) override;
  std::uint32_t MinimumPeriod() override;
  void BeginPeriod(std::uint32_t period) override;
  void EndPeriod(std::uint32_t period) override;

 private:
  SystemLibrary winmm_;
  decltype(&::timeGetTime) timeGetTime_ = nullptr;
  decltype(&::timeGetDevCaps) timeGetDevCaps_ = nullptr;
  decltype(&::timeBeginPeriod) timeBeginPeriod_ = nullptr;
  decltype(&::timeEndPeriod) timeEndPeriod_ = nullptr;
};

}  // namespace win32
