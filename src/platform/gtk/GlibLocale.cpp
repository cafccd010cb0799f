// The user's locale by GLib's rules: letter case ignored by Unicode case folding.
#include "platform/gtk/GlibLocale.h"

#include <glib.h>

namespace gtk {

bool GlibLocale::SameTextIgnoringCase(std::string_view a, std::string_view b) {
  gchar* foldedA = g_utf8_casefold(a.data(), static_cast<gssize>(a.size()));
  gchar* foldedB = g_utf8_casefold(b.data(), static_cast<gssize>(b.size()));
  const bool same = g_strcmp0(foldedA, foldedB) == 0;
  g_free(foldedA);
  g_free(foldedB);
  return same;
}

}  // namespace gtk
