// The user's locale, as far as the program compares texts by it.
#pragma once

#include <string>
#include <string_view>

namespace fw {

class Locale {
 public:
  virtual ~Locale() = default;
  // What stands for a UTF-8 text when texts are compared with letter case ignored by the
  // locale's rules: two texts are the same exactly when their keys are equal. A text is folded
  // once, however many texts it is compared with.
  virtual std::string CaseKey(std::string_view text) = 0;
};

}  // namespace fw
