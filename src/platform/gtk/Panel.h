// The result panel: fills itself with its colour and draws its caption in one centred line; a
// press and release of the left button over it is a click. It is read as a label named by its
// caption, and announces its caption to a running screen reader; assistive technology clicks it
// through its accessible's action, which names the keys of its shortcut.
#pragma once

#include "platform/gtk/Control.h"

namespace gtk {

class Panel : public Control {
 public:
  Panel(Form& form, const fw::ControlParams& params, fw::ControlEvents& events);
  ~Panel() override;
  Panel(const Panel&) = delete;
  Panel& operator=(const Panel&) = delete;

  void SetText(const std::string& text) override;
  void SetFontColor(fw::TColor color) override;
  void CancelMouseCapture() override { pressed_ = false; }
  void Announce() override;

  // The info bar that carries the announcements (see MakeAnnouncer), or none.
  GtkWidget* Announcer() const { return announcer_; }

 private:
  static gboolean OnDraw(GtkWidget* widget, cairo_t* cr, gpointer self);
  static gboolean OnPress(GtkWidget* widget, GdkEventButton* event, gpointer self);
  static gboolean OnRelease(GtkWidget* widget, GdkEventButton* event, gpointer self);
  static void OnAnnouncerDestroy(GtkWidget* widget, gpointer self);
  static void OnAction(gpointer self);
  void Draw(cairo_t* cr);
  void MakeAnnouncer();

  bool pressed_ = false;
  GtkWidget* announcer_ = nullptr;  // owned by the form's container, as the panel's widget is
};

}  // namespace gtk
