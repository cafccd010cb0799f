// The headless stand-in for the user's locale: a test's own rule, or else ASCII letters in
// either case.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "framework/Locale.h"

namespace headless {

class HeadlessLocale : public fw::Locale {
 public:
  std::function<std::string(const std::string& text)> CaseKeyRule;

  std::string CaseKey(std::string_view text) override {
    if (CaseKeyRule) {
      return CaseKeyRule(std::string(text));
    }
    std::string key(text);
    for (char& c : key) {
      c = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
    }
    return key;
  }
};

}  // namespace headless
