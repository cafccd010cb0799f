// The headless back end's clocks.
#include "HeadlessClock.h"

namespace headless {

void HeadlessClock::Pass(std::uint32_t ms) {
  for (; ms > 0; --ms) {
    ++now_;
    ++ticks_;
    passed_();
  }
}

void HeadlessClock::Sleep(std::uint32_t ms) {
  if (Journal != nullptr) {
    Journal->push_back("Sleep");
  }
  Pass(ms);
}

void HeadlessClock::BeginPeriod(std::uint32_t period) {
  period_ = period;
  ++periodDepth_;
}

void HeadlessClock::EndPeriod(std::uint32_t period) {
  if (period == period_) {
    --periodDepth_;
  }
}

}  // namespace headless
