// A single-line edit field.
#include "platform/gtk/EditField.h"

#include <algorithm>

namespace gtk {

EditField::EditField(Form& form, const fw::ControlParams& params, fw::ControlEvents& events)
    : Control(form, params, events) {
  GtkWidget* entry = gtk_entry_new();
  // No width from a number of characters: the layout gives the width.
  gtk_entry_set_width_chars(GTK_ENTRY(entry), 0);
  gtk_entry_set_text(GTK_ENTRY(entry), params.Text.c_str());
  if (params.ImeMode == fw::TImeMode::Close) {
    // The input method is off in this field: keys go in as typed, with no composition.
    g_object_set(entry, "im-module", "gtk-im-context-none", nullptr);
  }
  // GTK's own maximum length would also cut text that the program sets (and text already in
  // the field when the limit is set again), so the limit is kept here, on the user's input.
  g_signal_connect(entry, "insert-text", G_CALLBACK(OnInsertText), this);
  Attach(entry, ATK_ROLE_TEXT);
}

std::string EditField::Text() const {
  return widget_ != nullptr ? gtk_entry_get_text(GTK_ENTRY(widget_)) : params_.Text;
}

void EditField::SetText(const std::string& text) {
  params_.Text = text;
  if (widget_ != nullptr) {
    setting_ = true;
    gtk_entry_set_text(GTK_ENTRY(widget_), text.c_str());
    setting_ = false;
  }
}

// Typing or pasting goes in as far as the field has room: a paste is cut to fit, and nothing
// goes into a full field. Text that the program set longer than the limit keeps its length.
void EditField::OnInsertText(GtkEditable* editable, const gchar* text, gint length, gint* position,
                             gpointer self) {
  auto* field = static_cast<EditField*>(self);
  const int limit = field->params_.MaxLength;
  if (field->setting_ || limit <= 0) {
    return;
  }
  const glong held = g_utf8_strlen(gtk_entry_get_text(GTK_ENTRY(editable)), -1);
  const glong room = std::max<glong>(0, limit - held);
  if (g_utf8_strlen(text, length) <= room) {
    return;
  }
  g_signal_stop_emission_by_name(editable, "insert-text");
  if (room > 0) {
    const gchar* end = g_utf8_offset_to_pointer(text, room);
    field->setting_ = true;  // the cut text passes this handler unchanged
    gtk_editable_insert_text(editable, text, static_cast<gint>(end - text), position);
    field->setting_ = false;
  }
}

}  // namespace gtk
