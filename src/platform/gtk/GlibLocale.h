// The user's locale by GLib's rules: letter case ignored by Unicode case folding.
#pragma once

#include "framework/Locale.h"

namespace gtk {

class GlibLocale : public fw::Locale {
 public:
  bool SameTextIgnoringCase(std::string_view a, std::string_view b) override;
};

}  // namespace gtk
