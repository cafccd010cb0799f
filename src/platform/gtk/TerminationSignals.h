// SIGTERM, SIGINT and SIGHUP: the end of the session on Linux, and a second one to end at once.
#pragma once

#include <glib.h>

#include <atomic>
#include <functional>
#include <vector>

namespace gtk {

// The signals are watched on a thread of their own, so that they are seen even while the
// program's thread is busy (a long load) or waits (an error box of the shutdown). The first one
// ends the session on the program's thread, as the log-off notice does on Windows. A second
// one, while that end has not come, ends the process at once by the signal's default action,
// without a save: beforeEnd runs first, on the watching thread, and may wait briefly for a file
// write under way.
class TerminationSignals {
 public:
  TerminationSignals(std::function<void()> firstSignal, std::function<void()> beforeEnd);
  ~TerminationSignals();
  TerminationSignals(const TerminationSignals&) = delete;
  TerminationSignals& operator=(const TerminationSignals&) = delete;

 private:
  struct Watch {
    TerminationSignals* Owner;
    int Signal;
  };

  static gpointer Run(gpointer self);
  static gboolean OnSignal(gpointer watch);
  static gboolean OnFirstSignal(gpointer self);

  std::function<void()> firstSignal_;
  std::function<void()> beforeEnd_;
  std::vector<Watch> watches_;
  std::atomic<int> received_{0};
  std::atomic<guint> firstPending_{0};  // the first signal's end of the session, not yet run
  GMainContext* context_;
  GMainLoop* loop_;
  GThread* thread_ = nullptr;
};

}  // namespace gtk
