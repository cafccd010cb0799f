// The GTK 3 back end of the framework.
#include "platform/gtk/GtkBackend.h"

#include <gtk/gtk.h>

#include <algorithm>
#include <stdexcept>
#include <utility>

#include "framework/Placement.h"
#include "platform/gtk/ErrorDialog.h"
#include "platform/gtk/Form.h"
#include "platform/gtk/InView.h"
#include "platform/gtk/Style.h"
#include "platform/gtk/Timer.h"
#include "platform/gtk/Toolkit.h"
#include "platform/gtk/WindowIcon.h"

namespace gtk {

namespace {

// What the user is told when no display opens: the program's texts are Japanese. The
// display named by DISPLAY is read back for the message only; GTK itself opened it.
std::string NoDisplayMessage() {
  const char* name = g_getenv("DISPLAY");
  const std::string which = name != nullptr && *name != '\0'
                                ? std::string("X11 ディスプレイ ") + name + " を開けません。"
                                : std::string("DISPLAY が設定されていません。");
  return "Vorlix には X11 ディスプレイが必要です (Wayland では XWayland)。" + which;
}

}  // namespace

GtkBackend::GtkBackend(std::function<void()> beforeEnd) : beforeEnd_(std::move(beforeEnd)) {
  if (!StartToolkit()) {
    throw NoDisplay(NoDisplayMessage());
  }
  scale_ = Scale::OfDesktop();
  style_ = std::make_unique<Style>(scale_);
  SetProgramIcon();
  g_signal_connect(gtk_settings_get_default(), "notify::gtk-xft-dpi", G_CALLBACK(OnDpiChanged),
                   this);
}

GtkBackend::~GtkBackend() {
  g_signal_handlers_disconnect_by_data(gtk_settings_get_default(), this);
}

// Linux needs no window of its own for the application: the title is the application name
// that task switchers show, and SIGTERM, SIGINT and SIGHUP (the terminal or the session going
// away) end the session as the log-off notice does on Windows; a second one ends the program
// at once.
void GtkBackend::CreateApplicationWindow(fw::ApplicationEvents& events) {
  signals_ =
      std::make_unique<TerminationSignals>([&events] { events.PlatformEndSession(); }, beforeEnd_);
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

// Centred over the main form while it is on screen, otherwise on the screen; the forms are
// insensitive while the box is up, and the active form gets the focus back afterwards.
void GtkBackend::ShowHandlerErrorBox(const std::string& text, const std::string& caption) {
  Form* active = nullptr;
  std::vector<Form*> disabled;
  for (Form* form : forms_) {
    if (!form->Shown()) {
      continue;
    }
    if (gtk_window_is_active(form->Window())) {
      active = form;
    }
    if (form->Disable()) {
      disabled.push_back(form);
    }
  }
  Form* main = MainForm();
  const bool over = main != nullptr && main->OnScreen();
  RunErrorDialog(over ? main->Window() : nullptr, caption, text);
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

void GtkBackend::FormCreated(Form* form) {
  forms_.push_back(form);
  if (form->IsMainForm()) {
    // A rebuilt main form is a new window: the others follow it.
    for (Form* other : forms_) {
      if (other != form) {
        gtk_window_set_transient_for(other->Window(), form->Window());
      }
    }
  } else if (Form* main = MainForm()) {
    gtk_window_set_transient_for(form->Window(), main->Window());
  }
}

void GtkBackend::FormDestroyed(Form* form) {
  forms_.erase(std::remove(forms_.begin(), forms_.end(), form), forms_.end());
}

void GtkBackend::KeepInView(Form& form) {
  Form* main = MainForm();
  const bool mainShown = main != nullptr && main != &form && main->Shown();
  const fw::TBounds frame = FrameBounds(form.Window());
  const fw::TBounds mainFrame = mainShown ? FrameBounds(main->Window()) : fw::TBounds{};
  const fw::TBounds work = WorkArea(mainShown ? main->Window() : form.Window());
  if (frame.Width <= 0 || work.Width <= 0) {
    return;
  }
  const fw::TPoint place = fw::PlaceInView(frame, mainFrame, work);
  if (place.X != frame.Left || place.Y != frame.Top) {
    gtk_window_move(form.Window(), place.X, place.Y);
  }
}

Form* GtkBackend::MainForm() const {
  const auto found =
      std::find_if(forms_.begin(), forms_.end(), [](const Form* f) { return f->IsMainForm(); });
  return found != forms_.end() ? *found : nullptr;
}

void GtkBackend::OnDpiChanged(GObject*, GParamSpec*, gpointer self) {
  auto* backend = static_cast<GtkBackend*>(self);
  const Scale scale = Scale::OfDesktop();
  if (scale == backend->scale_) {
    return;
  }
  backend->scale_ = scale;
  backend->style_->SetScale(scale);
  for (Form* form : backend->forms_) {
    form->Relayout();
  }
}

bool GtkBackend::Alive(const Form* form) const {
  return std::find(forms_.begin(), forms_.end(), form) != forms_.end();
}

}  // namespace gtk
