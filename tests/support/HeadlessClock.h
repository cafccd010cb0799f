// The headless back end's clocks: they move only when a test, a sleep or a blocking echo moves
// them, one millisecond at a time.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "framework/Clock.h"

namespace headless {

class HeadlessClock : public fw::Clock {
 public:
  // `passed` runs after every millisecond, so that timers fall due in order.
  explicit HeadlessClock(std::function<void()> passed) : passed_(std::move(passed)) {}

  // --- what a test does ---
  // Both clocks move on.
  void Pass(std::uint32_t ms);
  void SetMilliseconds(std::uint32_t now) { now_ = now; }
  void SetTicks(std::uint32_t ticks) { ticks_ = ticks; }
  void SetMinimumPeriod(std::uint32_t period) { minPeriod_ = period; }
  // Where sleeps are noted, when set: tests read them in order with other calls.
  std::vector<std::string>* Journal = nullptr;

  // --- what a test reads ---
  std::uint32_t Period() const { return period_; }
  int PeriodDepth() const { return periodDepth_; }

  // --- fw::Clock ---
  std::uint32_t Milliseconds() override { return now_; }
  std::uint32_t Ticks() override { return ticks_; }
  void Sleep(std::uint32_t ms) override;
  std::uint32_t MinimumPeriod() override { return minPeriod_; }
  void BeginPeriod(std::uint32_t period) override;
  void EndPeriod(std::uint32_t period) override;

 private:
  std::function<void()> passed_;
  std::uint32_t now_ = 1000000;
  std::uint32_t ticks_ = 0;
  std::uint32_t minPeriod_ = 1;
  std::uint32_t period_ = 0;
  int periodDepth_ = 0;
};

}  // namespace headless
