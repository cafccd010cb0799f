// SIGTERM, SIGINT and SIGHUP: the end of the session on Linux, and a second one to end at once.
#include "platform/gtk/TerminationSignals.h"

#include <glib-unix.h>
#include <unistd.h>

#include <csignal>
#include <utility>

namespace gtk {

TerminationSignals::TerminationSignals(std::function<void()> firstSignal,
                                       std::function<void()> beforeEnd)
    : firstSignal_(std::move(firstSignal)),
      beforeEnd_(std::move(beforeEnd)),
      watches_{{this, SIGTERM}, {this, SIGINT}, {this, SIGHUP}},
      context_(g_main_context_new()),
      loop_(g_main_loop_new(context_, FALSE)) {
  for (Watch& watch : watches_) {
    GSource* source = g_unix_signal_source_new(watch.Signal);
    g_source_set_callback(source, OnSignal, &watch, nullptr);
    g_source_attach(source, context_);
    g_source_unref(source);
  }
  thread_ = g_thread_new("signals", Run, this);
}

TerminationSignals::~TerminationSignals() {
  g_main_loop_quit(loop_);
  g_thread_join(thread_);
  if (firstPending_ != 0) {
    g_source_remove(firstPending_);  // the end of a session that no longer is
  }
  g_main_loop_unref(loop_);
  g_main_context_unref(context_);  // its signal sources go with it
}

gpointer TerminationSignals::Run(gpointer self) {
  auto* signals = static_cast<TerminationSignals*>(self);
  g_main_context_push_thread_default(signals->context_);
  g_main_loop_run(signals->loop_);
  g_main_context_pop_thread_default(signals->context_);
  return nullptr;
}

gboolean TerminationSignals::OnSignal(gpointer data) {
  const auto* watch = static_cast<const Watch*>(data);
  TerminationSignals* self = watch->Owner;
  if (self->received_.fetch_add(1) == 0) {
    // On the program's thread, whenever it next takes a message.
    GSource* idle = g_idle_source_new();
    g_source_set_callback(idle, OnFirstSignal, self, nullptr);
    self->firstPending_ = g_source_attach(idle, nullptr);
    g_source_unref(idle);
    return G_SOURCE_CONTINUE;
  }
  if (self->beforeEnd_) {
    self->beforeEnd_();
  }
  // The signal's own end, as if the program had never taken it: the parent sees which.
  struct sigaction fallBack {};
  fallBack.sa_handler = SIG_DFL;
  sigaction(watch->Signal, &fallBack, nullptr);
  raise(watch->Signal);
  _exit(128 + watch->Signal);
}

gboolean TerminationSignals::OnFirstSignal(gpointer data) {
  auto* self = static_cast<TerminationSignals*>(data);
  self->firstPending_ = 0;
  self->firstSignal_();
  return G_SOURCE_REMOVE;
}

}  // namespace gtk
