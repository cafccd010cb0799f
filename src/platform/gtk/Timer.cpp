// A repeating timer on the GLib main context.
#include "platform/gtk/Timer.h"

namespace gtk {

// Always ready at its ready time: no preparing or checking of its own.
GSourceFuncs Timer::funcs_ = {nullptr, nullptr, Timer::Dispatch, nullptr, nullptr, nullptr};

Timer::Timer(unsigned intervalMs, fw::TimerEvents& events)
    : intervalUs_(static_cast<gint64>(intervalMs) * 1000), events_(events) {
  source_ = g_source_new(&funcs_, sizeof(TickSource));
  reinterpret_cast<TickSource*>(source_)->Owner = this;
  // A tick whose handler runs a message pump (a check started by the periodic test) lets the
  // next ticks through, the way nested pumps on Windows get further timer messages.
  g_source_set_can_recurse(source_, TRUE);
  g_source_set_ready_time(source_, g_get_monotonic_time() + intervalUs_);
  g_source_attach(source_, nullptr);
}

Timer::~Timer() {
  g_source_destroy(source_);
  g_source_unref(source_);
}

// The next tick falls due one interval after this one is handled; ticks missed while the
// thread was busy are not made up.
gboolean Timer::Dispatch(GSource* source, GSourceFunc, gpointer) {
  Timer* self = reinterpret_cast<TickSource*>(source)->Owner;
  g_source_set_ready_time(source, g_source_get_time(source) + self->intervalUs_);
  self->events_.PlatformTimer();  // may destroy this timer: nothing of it is used afterwards
  return G_SOURCE_CONTINUE;
}

}  // namespace gtk
