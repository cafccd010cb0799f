// The base of every control of a GTK form: the layout's parameters, the widget in the form's
// fixed layout, its font, and the events it reports.
#pragma once

#include <gtk/gtk.h>

#include <string>

#include "framework/Backend.h"
#include "platform/gtk/Scale.h"

namespace gtk {

class Form;

class Control : public fw::ControlPeer {
 public:
  ~Control() override;
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  // What a kind does not override: the caption kept as text, no checked state, no colour,
  // nothing to announce.
  std::string Text() const override { return params_.Text; }
  void SetText(const std::string& text) override { params_.Text = text; }
  void SetFontColor(fw::TColor color) override { params_.Font.Color = color; }
  bool Checked() const override { return false; }
  void SetChecked(bool) override {}
  void Announce() override {}
  // Every kind shows its hint as its tooltip.
  void SetHint(const std::string& hint) override;

  GtkWidget* Widget() const { return widget_; }
  const fw::ControlParams& Params() const { return params_; }
  bool TabStop() const { return params_.TabStop; }
  // The form has placed the control anew at another scale; what the kind draws at a size of
  // its own follows.
  virtual void Rescaled() {}
  // Keyboard focus moved from this control to another control of the same window.
  void FocusLeft() { events_.PlatformFocusLeave(); }
  // The keys of the control's shortcut were pressed in its window.
  void ShortCutPressed() { events_.PlatformClick(); }
  // Forgets a mouse button held down over the control, as when an error box comes up.
  virtual void CancelMouseCapture() {}

  // The control whose widget this is, or none.
  static Control* FromWidget(GtkWidget* widget);

 protected:
  Control(Form& form, fw::ControlParams params, fw::ControlEvents& events);
  // Places the new widget in the form at the layout's position and size, with the layout's
  // font, accessible role and accessible name; each kind calls it once, with the widget it made.
  void Attach(GtkWidget* widget, AtkRole role);
  // The scale the form lays its controls out at.
  const Scale& CurrentScale() const;

  fw::ControlParams params_;
  fw::ControlEvents& events_;
  GtkWidget* widget_ = nullptr;  // owned by the form's container

 private:
  static void OnDestroy(GtkWidget* widget, gpointer self);

  Form& form_;
};

}  // namespace gtk
