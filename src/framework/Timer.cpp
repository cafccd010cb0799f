// A window timer.
#include "framework/Timer.h"

#include "framework/Application.h"

namespace fw {

TTimer::TTimer(TComponent* owner) : TComponent(owner) {
  SetEnabled(true);
}

TTimer::~TTimer() = default;

void TTimer::SetInterval(unsigned interval) {
  interval_ = interval;
  if (Enabled()) {
    peer_.reset();
    SetEnabled(true);
  }
}

void TTimer::SetEnabled(bool enabled) {
  if (!enabled) {
    peer_.reset();
  } else if (!peer_ && interval_ > 0) {
    peer_ = Application->GetBackend().CreateTimer(interval_, *this);
  }
}

void TTimer::PlatformTimer() {
  Application->Fire(OnTimer, this);
}

}  // namespace fw
