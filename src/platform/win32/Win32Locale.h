// The user's locale by Windows' rules: letter case ignored as CompareStringW ignores it.
#pragma once

#include "framework/Locale.h"

namespace win32 {

class Win32Locale : public fw::Locale {
 public:
  // The text's sort key with letter case ignored (LCMapStringEx with LCMAP_SORTKEY and
  // NORM_IGNORECASE): two sort keys are equal exactly when CompareStringEx with the same flags
  // finds the texts equal.
  std::string CaseKey(std::string_view text) override;
};

}  // namespace win32
