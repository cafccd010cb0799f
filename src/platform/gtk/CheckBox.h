// A check box with its caption; the user's clicks toggle it, the program sets it silently.
#pragma once

#include "platform/gtk/ButtonBase.h"

namespace gtk {

class CheckBox : public ButtonBase {
 public:
  CheckBox(Form& form, const fw::ControlParams& params, fw::ControlEvents& events);

  bool Checked() const override;
  void SetChecked(bool checked) override;

 private:
  static void OnClicked(GtkButton* button, gpointer self);
  static gboolean OnKeyPress(GtkWidget* widget, GdkEventKey* event, gpointer self);

  bool setting_ = false;  // the program sets the state: no click to report
};

}  // namespace gtk
