// The user's locale by GLib's rules: letter case ignored by Unicode case folding.
#include "platform/gtk/GlibLocale.h"

#include <glib.h>

namespace gtk {

std::string GlibLocale::CaseKey(std::string_view text) {
  gchar* folded = g_utf8_casefold(text.data(), static_cast<gssize>(text.size()));
  std::string key = folded;
  g_free(folded);
  return key;
}

}  // namespace gtk
