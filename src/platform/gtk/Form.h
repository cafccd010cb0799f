// A top-level form: a GtkWindow, not resizable, holding its controls in a fixed layout at the
// layout's sizes scaled to the desktop. The main form is a normal window, with the program's
// taskbar entry; the others are utility windows without one, transient for the main form.
#pragma once

#include <gtk/gtk.h>

#include <memory>
#include <string>
#include <vector>

#include "framework/Backend.h"
#include "platform/gtk/Scale.h"

namespace gtk {

class Control;
class GtkBackend;

class Form : public fw::FormPeer {
 public:
  Form(GtkBackend& backend, const fw::FormParams& params, fw::FormEvents& events);
  ~Form() override;
  Form(const Form&) = delete;
  Form& operator=(const Form&) = delete;

  void SetCaption(const std::string& caption) override;
  // The top-left corner of the window's frame (the title bar and borders the window manager
  // adds) in screen pixels, as on Windows.
  fw::TPoint Position() const override;
  void SetPosition(fw::TPoint position) override;
  void Show(fw::TWindowState state, bool activate) override;
  void Hide() override;
  // Linux forms show in the normal state only (see Show).
  fw::TWindowState WindowState() const override { return fw::TWindowState::Normal; }
  void BringToFront() override;
  std::unique_ptr<fw::ControlPeer> CreateControl(const fw::ControlParams& params,
                                                 fw::ControlEvents& events) override;

  GtkWindow* Window() const { return GTK_WINDOW(window_); }
  bool Shown() const { return gtk_widget_get_visible(window_) != FALSE; }
  // Shown and not minimized.
  bool OnScreen() const;
  bool IsMainForm() const { return params_.MainForm; }
  const Scale& GetScale() const;
  // Places the controls and sizes the window anew at the back end's scale.
  void Relayout();
  void CancelMouseCapture();
  // Makes the window insensitive while an error box is up, keeping the control that has its
  // focus; false when it was insensitive already.
  bool Disable();
  // Makes it sensitive again and gives the focus back to that control.
  void Enable();

  // Used by the controls as they come and go.
  void Put(Control& control);
  void Forget(Control* control);

 private:
  static gboolean OnDelete(GtkWidget* widget, GdkEvent* event, gpointer self);
  static void OnSetFocus(GtkWindow* window, GtkWidget* next, gpointer self);
  static gboolean OnFocus(GtkWidget* widget, GtkDirectionType direction, gpointer self);
  static void OnRealize(GtkWidget* widget, gpointer self);
  static gboolean OnWindowState(GtkWidget* widget, GdkEventWindowState* event, gpointer self);
  static gboolean OnKeyPress(GtkWidget* widget, GdkEventKey* event, gpointer self);
  static gboolean OnKeyRelease(GtkWidget* widget, GdkEventKey* event, gpointer self);
  static gboolean OnFirstMap(GtkWidget* widget, GdkEvent* event, gpointer self);
  // Moves a control to the layout's place and size at the current scale.
  void Place(Control& control);
  // Moves the keyboard focus along the tab order, wrapping at either end.
  bool MoveFocus(bool forward);

  GtkBackend& backend_;
  fw::FormParams params_;
  fw::FormEvents& events_;
  GtkWidget* window_ = nullptr;
  GtkWidget* fixed_ = nullptr;     // the controls, in the order they were made
  GtkWidget* underlay_ = nullptr;  // group boxes and frames, drawn below every control
  fw::TPoint position_;            // where the window goes when next shown
  bool placed_ = false;            // false: the window manager places it when first shown
  gulong firstMap_ = 0;            // the handler that keeps that first place in view
  GWeakRef disabledFocus_;         // the focused control while the window is disabled
  guint heldShortCutKey_ = 0;      // the key of a shortcut that clicked, until it is released
  std::vector<Control*> controls_;
};

}  // namespace gtk
