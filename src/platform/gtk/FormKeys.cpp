// A top-level form's shortcut keys: each clicks its control once, however long it is held.
#include "platform/gtk/Control.h"
#include "platform/gtk/Form.h"
#include "platform/gtk/ShortCutKeys.h"

namespace gtk {

// A key pressed makes the focus show, as Windows shows its focus cues from the first key on.
// A shortcut clicks its control once however long its keys are held.
gboolean Form::OnKeyPress(GtkWidget*, GdkEventKey* event, gpointer self) {
  auto* form = static_cast<Form*>(self);
  gtk_window_set_focus_visible(form->Window(), TRUE);
  const fw::TShortCut shortCut =
      ShortCutOf(event->keyval, static_cast<GdkModifierType>(event->state));
  if (shortCut == fw::TShortCut::None) {
    return FALSE;
  }
  if (form->heldShortCutKey_ == event->keyval) {
    return TRUE;  // the key's repeat
  }
  for (Control* control : form->controls_) {
    if (control->Params().ShortCut == shortCut) {
      form->heldShortCutKey_ = event->keyval;
      control->ShortCutPressed();
      return TRUE;
    }
  }
  return FALSE;
}

gboolean Form::OnKeyRelease(GtkWidget*, GdkEventKey* event, gpointer self) {
  auto* form = static_cast<Form*>(self);
  if (form->heldShortCutKey_ == event->keyval) {
    form->heldShortCutKey_ = 0;
  }
  return FALSE;
}

}  // namespace gtk
