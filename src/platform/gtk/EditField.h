// A single-line edit field. Its maximum length limits what the user types or pastes; text that
// the program sets is never cut. A field may switch the input method off for itself.
#pragma once

#include "platform/gtk/Control.h"

namespace gtk {

class EditField : public Control {
 public:
  EditField(Form& form, const fw::ControlParams& params, fw::ControlEvents& events);

  std::string Text() const override;
  void SetText(const std::string& text) override;

 private:
  static void OnInsertText(GtkEditable* editable, const gchar* text, gint length, gint* position,
                           gpointer self);

  bool setting_ = false;  // the program puts text in: no limit applies
};

}  // namespace gtk
