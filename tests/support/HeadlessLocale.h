// The headless stand-in for the user's locale: a test's own rule, or else ASCII letters in
// either case.
#pragma once

#include <algorithm>
#include <functional>
#include <string>
#include <string_view>

#include "framework/Locale.h"

namespace headless {

class HeadlessLocale : public fw::Locale {
 public:
  std::function<bool(const std::string& a, const std::string& b)> SameTextRule;

  bool SameTextIgnoringCase(std::string_view a, std::string_view b) override {
    if (SameTextRule) {
      return SameTextRule(std::string(a), std::string(b));
    }
    auto fold = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; };
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [&fold](char l, char r) { return fold(l) == fold(r); });
  }
};

}  // namespace headless
