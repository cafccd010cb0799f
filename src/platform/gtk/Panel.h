// The result panel: fills itself with its colour and draws its caption in one centred line; a
// press and release of the left button over it is a click.
#pragma once

#include "platform/gtk/Control.h"

namespace gtk {

class Panel : public Control {
 public:
  Panel(Form& form, const fw::ControlParams& params, fw::ControlEvents& events);

  void SetText(const std::string& text) override;
  void SetFontColor(fw::TColor color) override;
  void CancelMouseCapture() override { pressed_ = false; }

 private:
  static gboolean OnDraw(GtkWidget* widget, cairo_t* cr, gpointer self);
  static gboolean OnPress(GtkWidget* widget, GdkEventButton* event, gpointer self);
  static gboolean OnRelease(GtkWidget* widget, GdkEventButton* event, gpointer self);
  void Draw(cairo_t* cr);

  bool pressed_ = false;
};

}  // namespace gtk
