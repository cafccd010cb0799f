// A repeating timer on the GLib main context that also ticks inside message pumps run by its
// own handler, as a window timer does.
#pragma once

#include <glib.h>

#include "framework/Backend.h"

namespace gtk {

class Timer : public fw::TimerPeer {
 public:
  Timer(unsigned intervalMs, fw::TimerEvents& events);
  ~Timer() override;
  Timer(const Timer&) = delete;
  Timer& operator=(const Timer&) = delete;

 private:
  struct TickSource {
    GSource Base;
    Timer* Owner;
  };
  static Timer* Of(GSource* source);
  static gboolean Prepare(GSource* source, gint* timeoutMs);
  static gboolean Check(GSource* source);
  static gboolean Dispatch(GSource* source, GSourceFunc callback, gpointer data);
  static GSourceFuncs funcs_;

  gint64 intervalUs_;
  gint64 dueUs_;  // on the monotonic clock
  fw::TimerEvents& events_;
  GSource* source_;
};

}  // namespace gtk
