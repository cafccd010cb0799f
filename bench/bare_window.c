// The least a GTK 3 program does to show a small window with a 200 ms timer: the yardstick for
// the Linux program's idle cost and start-up time. With an argument, the window shows it in a
// label, which brings in what any text needs (fontconfig, Pango, a font); with a second one, a
// button of that caption beside it as well.
#include <gtk/gtk.h>

static gboolean Tick(gpointer data) {
  (void)data;
  return G_SOURCE_CONTINUE;
}

int main(int argc, char** argv) {
  gdk_set_allowed_backends("x11");
  gtk_init(&argc, &argv);
  GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_window_set_title(GTK_WINDOW(window), "Bare window");
  gtk_window_set_type_hint(GTK_WINDOW(window), GDK_WINDOW_TYPE_HINT_UTILITY);
  gtk_window_set_resizable(GTK_WINDOW(window), FALSE);
  gtk_widget_set_size_request(window, 129, 25);
  if (argc > 2) {
    GtkWidget* box = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 0);
    gtk_container_add(GTK_CONTAINER(box), gtk_label_new(argv[1]));
    gtk_container_add(GTK_CONTAINER(box), gtk_button_new_with_label(argv[2]));
    gtk_container_add(GTK_CONTAINER(window), box);
  } else if (argc > 1) {
    gtk_container_add(GTK_CONTAINER(window), gtk_label_new(argv[1]));
  }
  g_signal_connect(window, "destroy", G_CALLBACK(gtk_main_quit), NULL);
  g_timeout_add(200, Tick, NULL);
  gtk_widget_show_all(window);
  gtk_main();
  return 0;
}
