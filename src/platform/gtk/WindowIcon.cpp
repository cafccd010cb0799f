// The icon of every window of the program.
#include "platform/gtk/WindowIcon.h"

#include "platform/gtk/BuiltInIcons.h"

namespace gtk {

namespace {

constexpr const char kIconName[] = "vorlix";

GdkPixbuf* Decode(const IconImage& image) {
  GInputStream* stream =
      g_memory_input_stream_new_from_data(image.Png, static_cast<gssize>(image.Length), nullptr);
  GdkPixbuf* pixbuf = gdk_pixbuf_new_from_stream(stream, nullptr, nullptr);
  g_object_unref(stream);
  return pixbuf;
}

}  // namespace

GList* BuiltInIconList() {
  GList* list = nullptr;
  for (const IconImage& image : BuiltInIcons()) {
    if (GdkPixbuf* pixbuf = Decode(image)) {
      list = g_list_append(list, pixbuf);
    }
  }
  return list;
}

void SetProgramIcon() {
  if (gtk_icon_theme_has_icon(gtk_icon_theme_get_default(), kIconName)) {
    gtk_window_set_default_icon_name(kIconName);
    return;
  }
  GList* list = BuiltInIconList();
  gtk_window_set_default_icon_list(list);
  g_list_free_full(list, g_object_unref);
}

}  // namespace gtk
