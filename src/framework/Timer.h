// A window timer that calls OnTimer every Interval milliseconds while enabled.
#pragma once

#include <memory>

#include "framework/Backend.h"
#include "framework/Component.h"

namespace fw {

class TTimer : public TComponent, private TimerEvents {
 public:
  // Enabled from the start, with an interval of 1000 ms until another is set.
  explicit TTimer(TComponent* owner);
  ~TTimer() override;

  unsigned Interval() const { return interval_; }
  void SetInterval(unsigned interval);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);

  TNotifyEvent OnTimer;

 private:
  void PlatformTimer() override;

  // Makes the platform timer agree with Enabled and Interval: one runs while enabled with an
  // interval above 0.
  void Sync();

  unsigned interval_ = 1000;
  bool enabled_ = false;
  std::unique_ptr<TimerPeer> peer_;
};

}  // namespace fw
