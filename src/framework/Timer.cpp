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
  peer_.reset();  // a new interval starts afresh
  Sync();
}

void TTimer::SetEnabled(bool enabled) {
  enabled_ = enabled;
  Sync();
}

void TTimer::Sync() {
  if (!enabled_ || interval_ == 0) {
    peer_.reset();
  } else if (!peer_) {
    peer_ = Application->GetBackend().CreateTimer(interval_, *this);
  }
}

void TTimer::PlatformTimer() {
  Application->Fire(OnTimer, this);
}

}  // namespace fw
