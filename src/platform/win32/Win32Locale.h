// The user's locale by Windows' rules: letter case ignored as CompareStringW ignores it.
#pragma once

#include "framework/Locale.h"

namespace win32 {

class Win32Locale : public fw::Locale {
 public:
  bool SameTextIgnoringCase(std::string_view a, std::string_view b) override;
};

}  // namespace win32
