// A repeating timer on the GLib main context.
#include "platform/gtk/Timer.h"

namespace gtk {

// Ready once its due time has come. The due time is the timer's own: GLib's ready time would
// wake the main context each time it is moved, a needless extra loop at every tick.
GSourceFuncs Timer::funcs_ = {Timer::Prepare, Timer::Check, Timer::Dispatch,
                              nullptr,        nullptr,      nullptr};

Timer::Timer(unsigned intervalMs, fw::TimerEvents& events)
    : intervalUs_(static_cast<gint64>(intervalMs) * 1000),
      dueUs_(g_get_monotonic_time() + intervalUs_),
      events_(events) {
  source_ = g_source_new(&funcs_, sizeof(TickSource));
  reinterpret_cast<TickSource*>(source_)->Owner = this;
  // A tick whose handler runs a message pump (a check started by the periodic test) lets the
  // next ticks through, the way nested pumps on Windows get further timer messages.
  g_source_set_can_recurse(source_, TRUE);
  g_source_attach(source_, nullptr);
}

Timer::~Timer() {
  g_source_destroy(source_);
  g_source_unref(source_);
}

Timer* Timer::Of(GSource* source) {
  return reinterpret_cast<TickSource*>(source)->Owner;
}

gboolean Timer::Prepare(GSource* source, gint* timeoutMs) {
  const gint64 left = Of(source)->dueUs_ - g_source_get_time(source);
  // Rounded up, so that the wait does not end just before the due time.
  *timeoutMs = left > 0 ? static_cast<gint>((left + 999) / 1000) : 0;
  return left <= 0;
}

gboolean Timer::Check(GSource* source) {
  return g_source_get_time(source) >= Of(source)->dueUs_;
}

// The next tick falls due one interval after this one is handled (set before the handler, so
// that a pump inside it does not tick again at once); ticks missed while the thread was busy
// are not made up.
gboolean Timer::Dispatch(GSource* source, GSourceFunc, gpointer) {
  Timer* self = Of(source);
  self->dueUs_ = g_source_get_time(source) + self->intervalUs_;
  self->events_.PlatformTimer();  // may destroy this timer: nothing of it is used afterwards
  return G_SOURCE_CONTINUE;
}

}  // namespace gtk
