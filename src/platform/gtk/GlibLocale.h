// The user's locale by GLib's rules: letter case ignored by Unicode case folding.
#pragma once

#include "framework/Locale.h"

namespace gtk {

class GlibLocale : public fw::Locale {
 public:
  // The text case-folded (g_utf8_casefold).
  std::string CaseKey(std::string_view text) override;
};

}  // namespace gtk
