// The icon of every window of the program.
#include "platform/gtk/WindowIcon.h"

#include "platform/gtk/BuiltInIcons.h"

namespace gtk {

// The images share the program's constant pixels: nothing is copied or decoded. Looking the
// icon up in the theme, or decoding its PNG files, would cost the program more memory than
// the rest of its windows.
GList* BuiltInIconList() {
  GList* list = nullptr;
  for (const IconImage& image : BuiltInIcons()) {
    GdkPixbuf* pixbuf =
        gdk_pixbuf_new_from_data(image.Rgba, GDK_COLORSPACE_RGB, TRUE, 8, image.Size, image.Size,
                                 image.Size * 4, nullptr, nullptr);
    list = g_list_append(list, pixbuf);
  }
  return list;
}

void SetProgramIcon() {
  GList* list = BuiltInIconList();
  gtk_window_set_default_icon_list(list);
  g_list_free_full(list, g_object_unref);
}

}  // namespace gtk
