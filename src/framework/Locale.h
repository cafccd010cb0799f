// The user's locale, as far as the program compares texts by it.
#pragma once

#include <string_view>

namespace fw {

class Locale {
 public:
  virtual ~Locale() = default;
  // Whether two UTF-8 texts are the same, letter case ignored by the locale's rules.
  virtual bool SameTextIgnoringCase(std::string_view a, std::string_view b) = 0;
};

}  // namespace fw
