// A top-level form and the window manager: the frame it asks for, the states it undoes, and its
// first place kept in view.
#include "platform/gtk/Form.h"
#include "platform/gtk/GtkBackend.h"
#include "platform/gtk/WindowManager.h"

namespace gtk {

// The window manager has placed the window for its first show; where that place hides it
// under the main form or leaves part of it off the monitor, it goes beside the main form.
gboolean Form::OnFirstMap(GtkWidget* widget, GdkEvent*, gpointer self) {
  auto* form = static_cast<Form*>(self);
  g_signal_handler_disconnect(widget, form->firstMap_);
  form->firstMap_ = 0;
  form->backend_.KeepInView(*form);
  return FALSE;
}

// The frame is a title and a border, with a close button only where the form has one: no
// icon, window menu, minimize or maximize button, and no resize handles. The main form keeps
// the minimize function for its taskbar entry, but where that would show a minimize button.
void Form::OnRealize(GtkWidget* widget, gpointer self) {
  const auto* form = static_cast<Form*>(self);
  const bool close = form->params_.BorderIcons == fw::TBorderIcons::Close;
  GdkWindow* window = gtk_widget_get_window(widget);
  gdk_window_set_decorations(window,
                             static_cast<GdkWMDecoration>(GDK_DECOR_BORDER | GDK_DECOR_TITLE));
  gdk_window_set_functions(
      window,
      static_cast<GdkWMFunction>(
          GDK_FUNC_MOVE | (close ? GDK_FUNC_CLOSE : 0) |
          (form->params_.MainForm && !MinimizeFunctionShowsAButton() ? GDK_FUNC_MINIMIZE : 0)));
}

// A window manager that maximizes or fullscreens a window of fixed size all the same (from its
// menu, a double click on the title, wmctrl) has it undone; a form other than the main one that
// it minimizes comes back, as it has no taskbar entry to come back from.
gboolean Form::OnWindowState(GtkWidget*, GdkEventWindowState* event, gpointer self) {
  auto* form = static_cast<Form*>(self);
  const GdkWindowState state = event->new_window_state;
  if ((state & GDK_WINDOW_STATE_MAXIMIZED) != 0) {
    gtk_window_unmaximize(form->Window());
  }
  if ((state & GDK_WINDOW_STATE_FULLSCREEN) != 0) {
    gtk_window_unfullscreen(form->Window());
  }
  if (!form->params_.MainForm && (state & GDK_WINDOW_STATE_ICONIFIED) != 0) {
    gtk_window_deiconify(form->Window());
  }
  return FALSE;
}

}  // namespace gtk
