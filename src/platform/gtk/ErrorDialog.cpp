// The error box of both error displays.
#include "platform/gtk/ErrorDialog.h"

namespace gtk {

void RunErrorDialog(GtkWindow* parent, const std::string& title, const std::string& text) {
  GtkWidget* dialog = gtk_message_dialog_new(parent, GTK_DIALOG_MODAL, GTK_MESSAGE_ERROR,
                                             GTK_BUTTONS_OK, "%s", text.c_str());
  gtk_window_set_title(GTK_WINDOW(dialog), title.c_str());
  // Window managers place a dialog as they like (openbox at the screen's top-left corner), so
  // GTK places it: over its parent, or in the middle of the screen without one.
  gtk_window_set_position(GTK_WINDOW(dialog),
                          parent != nullptr ? GTK_WIN_POS_CENTER_ON_PARENT : GTK_WIN_POS_CENTER);
  // Read by its title, as a message box is on Windows (GTK would name it by its type).
  atk_object_set_name(gtk_widget_get_accessible(dialog), title.c_str());
  // GTK 3 message dialogs show no icon of their own any more; the stop icon goes beside the
  // text, as on Windows.
  GtkWidget* message = gtk_message_dialog_get_message_area(GTK_MESSAGE_DIALOG(dialog));
  GtkWidget* row = gtk_widget_get_parent(message);
  if (GTK_IS_BOX(row)) {
    GtkWidget* icon = gtk_image_new_from_icon_name("dialog-error", GTK_ICON_SIZE_DIALOG);
    gtk_widget_set_valign(icon, GTK_ALIGN_START);
    gtk_box_pack_start(GTK_BOX(row), icon, FALSE, FALSE, 0);
    gtk_box_reorder_child(GTK_BOX(row), icon, 0);
    gtk_widget_show(icon);
  }
  gtk_dialog_run(GTK_DIALOG(dialog));
  gtk_widget_destroy(dialog);
}

}  // namespace gtk
