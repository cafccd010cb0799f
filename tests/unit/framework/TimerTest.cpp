// The window timer: enabling means ticking, whatever the order of Enabled and Interval.
#include "framework/Timer.h"

#include <gtest/gtest.h>

#include <vector>

#include "Harness.h"

namespace {

// The steps of a case: an interval in milliseconds, or the Enabled switch turned on or off.
constexpr int kOn = -1;
constexpr int kOff = -2;

TEST(TimerTest, EnabledAndIntervalInAnyOrderGiveTicksOnlyWhileBothSayTick) {
  struct Case {
    const char* name;
    std::vector<int> steps;
    bool enabled;
    int ticksIn1000Ms;
  };
  const Case cases[] = {
      {"as made: enabled, every 1000 ms", {}, true, 1},
      {"200 ms", {200}, true, 5},
      {"disabled", {kOff}, false, 0},
      {"interval 0", {0}, true, 0},
      {"interval 0, then 200 ms", {0, 200}, true, 5},
      {"disabled at interval 0, enabled, then 200 ms", {kOff, 0, kOn, 200}, true, 5},
      {"disabled, given 200 ms", {kOff, 200}, false, 0},
      {"disabled, given 200 ms, enabled", {kOff, 200, kOn}, true, 5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    headless::Harness h;
    fw::TComponent owner(nullptr);
    auto* timer = new fw::TTimer(&owner);
    int ticks = 0;
    timer->OnTimer = [&ticks](fw::TObject*) { ++ticks; };
    for (const int step : c.steps) {
      if (step == kOn || step == kOff) {
        timer->SetEnabled(step == kOn);
      } else {
        timer->SetInterval(static_cast<unsigned>(step));
      }
    }
    EXPECT_EQ(timer->Enabled(), c.enabled);
    for (int ms = 0; ms < 1000; ms += 10) {
      h.backend.AdvanceClock(10);
      h.app->ProcessMessages();
    }
    EXPECT_EQ(ticks, c.ticksIn1000Ms);
  }
}

}  // namespace
