// The GTK 3 back end of the framework.
#include "platform/gtk/GtkBackend.h"

#include <glib-unix.h>
#include <gtk/gtk.h>

#include <algorithm>
#include <csignal>
#include <stdexcept>

#include "platform/gtk/ErrorDialog.h"
#include "platform/gtk/Form.h"
#include "platform/gtk/Style.h"
#include "platform/gtk/Timer.h"
#include "platform/gtk/Toolkit.h"

namespace gtk {

GtkBackend::GtkBackend(fw::FileAccess& files, fw::Clock& clock) : files_(files), clock_(clock) {
  if (!StartToolkit()) {
    throw std::runtime_error("cannot open the X11 display");
  }
  style_ = std::make_unique<Style>();
}

GtkBackend::~GtkBackend() {
  for (guint source : signalSources_) {
    g_source_remove(source);
  }
}

// Linux needs no window of its own for the application: the title is the application name
// that task switchers show, and SIGTERM, SIGINT and SIGHUP (the terminal or the session going
// away) end the session as the log-off notice does on Windows.
void GtkBackend::CreateApplicationWindow(fw::ApplicationEvents& events) {
  events_ = &events;
  for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
    signalSources_.push_back(g_unix_signal_add(signal, OnTerminateSignal, this));
  }
}

void GtkBackend::SetTitle(const std::string& title) {
  if (!titleSet_) {  // GLib takes the application name once
    g_set_application_name(title.c_str());
    titleSet_ = true;
  }
}

void GtkBackend::ShowApplicationWindow(bool) {}

void GtkBackend::HideOwnedPopups() {
  for (Form* form : forms_) {
    form->Hide();
  }
}

fw::TWindowState GtkBackend::StartupShowCommand() {
  return fw::TWindowState::Normal;
}

std::unique_ptr<fw::FormPeer> GtkBackend::CreateForm(const fw::FormParams& params,
                                                     fw::FormEvents& events) {
  return std::make_unique<Form>(*this, params, events);
}

std::unique_ptr<fw::TimerPeer> GtkBackend::CreateTimer(unsigned intervalMs,
                                                       fw::TimerEvents& events) {
  return std::make_unique<Timer>(intervalMs, events);
}

// One non-blocking iteration of the main context; a posted quit is reported first.
fw::Backend::MessageResult GtkBackend::ProcessOneMessage() {
  if (quitPosted_) {
    quitPosted_ = false;
    return MessageResult::Quit;
  }
  return g_main_context_iteration(nullptr, FALSE) ? MessageResult::Dispatched : MessageResult::None;
}

void GtkBackend::WaitMessage() {
  if (!quitPosted_) {
    g_main_context_iteration(nullptr, TRUE);
  }
}

void GtkBackend::PostQuit() {
  quitPosted_ = true;
}

void GtkBackend::CancelMouseCapture() {
  for (Form* form : forms_) {
    form->CancelMouseCapture();
  }
}

// Transient for the active form (or the first shown one); the other forms are insensitive
// while the box is up, and the active form gets the focus back afterwards.
void GtkBackend::ShowHandlerErrorBox(const std::string& text, const std::string& caption) {
  Form* active = nullptr;
  Form* shown = nullptr;
  std::vector<Form*> disabled;
  for (Form* form : forms_) {
    if (!form->Shown()) {
      continue;
    }
    if (shown == nullptr) {
      shown = form;
    }
    if (gtk_window_is_active(form->Window())) {
      active = form;
    }
    if (form->Disable()) {
      disabled.push_back(form);
    }
  }
  Form* parent = active != nullptr ? active : shown;
  RunErrorDialog(parent != nullptr ? parent->Window() : nullptr, caption, text);
  // A form may have been rebuilt while the box was up; only the ones still there are touched.
  for (Form* form : disabled) {
    if (Alive(form)) {
      form->Enable();
    }
  }
  if (active != nullptr && Alive(active) && active->Shown()) {
    gtk_window_present_with_time(active->Window(), gtk_get_current_event_time());
  }
}

bool GtkBackend::SameTextIgnoringCase(std::string_view a, std::string_view b) {
  gchar* foldedA = g_utf8_casefold(a.data(), static_cast<gssize>(a.size()));
  gchar* foldedB = g_utf8_casefold(b.data(), static_cast<gssize>(b.size()));
  const bool same = g_strcmp0(foldedA, foldedB) == 0;
  g_free(foldedA);
  g_free(foldedB);
  return same;
}

void GtkBackend::FormDestroyed(Form* form) {
  forms_.erase(std::remove(forms_.begin(), forms_.end(), form), forms_.end());
}

bool GtkBackend::Alive(const Form* form) const {
  return std::find(forms_.begin(), forms_.end(), form) != forms_.end();
}

gboolean GtkBackend::OnTerminateSignal(gpointer self) {
  auto* backend = static_cast<GtkBackend*>(self);
  if (backend->events_ != nullptr) {
    backend->events_->PlatformEndSession();
  }
  return G_SOURCE_CONTINUE;
}

}  // namespace gtk
