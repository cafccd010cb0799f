// The GTK 3 back end of the framework: forms and controls as GTK widgets on X11, timers and the
// message pump on the GLib main context, the handler error box, and the end of the session.
#pragma once

#include <glib-object.h>

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "framework/Backend.h"
#include "platform/gtk/Scale.h"
#include "platform/gtk/TerminationSignals.h"

namespace gtk {

class Form;
class Style;

// No X11 display opens: there is no window to show an error in.
class NoDisplay : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class GtkBackend : public fw::Backend {
 public:
  // Starts GTK; throws NoDisplay when no display opens. beforeEnd runs when a second
  // termination signal ends the process at once (TerminationSignals).
  explicit GtkBackend(std::function<void()> beforeEnd = {});
  ~GtkBackend() override;
  GtkBackend(const GtkBackend&) = delete;
  GtkBackend& operator=(const GtkBackend&) = delete;

  void CreateApplicationWindow(fw::ApplicationEvents& events) override;
  void SetTitle(const std::string& title) override;
  void ShowApplicationWindow(bool minimized) override;
  void HideOwnedPopups() override;
  fw::TWindowState StartupShowCommand() override;

  std::unique_ptr<fw::FormPeer> CreateForm(const fw::FormParams& params,
                                           fw::FormEvents& events) override;
  std::unique_ptr<fw::TimerPeer> CreateTimer(unsigned intervalMs, fw::TimerEvents& events) override;

  MessageResult ProcessOneMessage() override;
  void WaitMessage() override;
  void PostQuit() override;

  void CancelMouseCapture() override;
  void ShowHandlerErrorBox(const std::string& text, const std::string& caption) override;

  // Used by the forms.
  Style& GetStyle() { return *style_; }
  const Scale& GetScale() const { return scale_; }
  // Makes the main form the one the others are transient for.
  void FormCreated(Form* form);
  void FormDestroyed(Form* form);
  // Moves a form that the window manager has just placed beside the main form when that place
  // is under the main form or not wholly on the monitor.
  void KeepInView(Form& form);

 private:
  // The desktop's font resolution changed: the style and every form follow.
  static void OnDpiChanged(GObject* settings, GParamSpec* property, gpointer self);
  bool Alive(const Form* form) const;
  Form* MainForm() const;

  Scale scale_;
  std::unique_ptr<Style> style_;
  std::vector<Form*> forms_;  // live forms, in the order they were made
  bool titleSet_ = false;
  bool quitPosted_ = false;
  std::function<void()> beforeEnd_;
  std::unique_ptr<TerminationSignals> signals_;
};

}  // namespace gtk
