// The window timer: enabling means ticking, whatever the order of Enabled and Interval.
#include "framework/Timer.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "Harness.h"

namespace {

TEST(TimerTest, EnabledAndIntervalInAnyOrderGiveTicksOnlyWhileBothSayTick) {
  struct Case {
    const char* name;
    std::function<void(fw::TTimer&)> set;
    bool enabled;
    int ticksIn1000Ms;
  };
  const Case cases[] = {
      {"as made: enabled, every 1000 ms", [](fw::TTimer&) {}, true, 1},
      {"200 ms", [](fw::TTimer& t) { t.SetInterval(200); }, true, 5},
      {"disabled", [](fw::TTimer& t) { t.SetEnabled(false); }, false, 0},
      {"interval 0", [](fw::TTimer& t) { t.SetInterval(0); }, true, 0},
      {"interval 0, then 200 ms",
       [](fw::TTimer& t) {
         t.SetInterval(0);
         t.SetInterval(200);
       },
       true, 5},
      {"disabled at interval 0, enabled, then 200 ms",
       [](fw::TTimer& t) {
         t.SetEnabled(false);
         t.SetInterval(0);
         t.SetEnabled(true);
         t.SetInterval(200);
       },
       true, 5},
      {"disabled, given 200 ms",
       [](fw::TTimer& t) {
         t.SetEnabled(false);
         t.SetInterval(200);
       },
       false, 0},
      {"disabled, given 200 ms, enabled",
       [](fw::TTimer& t) {
         t.SetEnabled(false);
         t.SetInterval(200);
         t.SetEnabled(true);
       },
       true, 5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    headless::Harness h;
    fw::TComponent owner(nullptr);
    auto* timer = new fw::TTimer(&owner);
    int ticks = 0;
    timer->OnTimer = [&ticks](fw::TObject*) { ++ticks; };
    c.set(*timer);
    EXPECT_EQ(timer->Enabled(), c.enabled);
    for (int ms = 0; ms < 1000; ms += 10) {
      h.backend.AdvanceClock(10);
      h.app->ProcessMessages();
    }
    EXPECT_EQ(ticks, c.ticksIn1000Ms);
  }
}

}  // namespace
