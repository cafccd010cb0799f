// When a settings line's key is the key asked for: letter case is ignored by the user's locale.
#include "settings/KeyMatch.h"

#include <algorithm>

namespace settings {

namespace {

char FoldAscii(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool IsContinuation(unsigned char c) {
  return (c & 0xC0) == 0x80;
}

}  // namespace

bool IsAscii(std::string_view text) {
  return std::all_of(text.begin(), text.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

bool SameIgnoringAsciiCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char l, char r) {
           return FoldAscii(l) == FoldAscii(r);
         });
}

bool IsUtf8(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<unsigned char>(text[i]);
    std::size_t length = 0;
    unsigned char low = 0x80;  // the range of the first continuation byte
    unsigned char high = 0xBF;
    if (lead < 0x80) {
      length = 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3;
      low = lead == 0xE0 ? 0xA0 : 0x80;   // no overlong form
      high = lead == 0xED ? 0x9F : 0xBF;  // no surrogate
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4;
      low = lead == 0xF0 ? 0x90 : 0x80;   // no overlong form
      high = lead == 0xF4 ? 0x8F : 0xBF;  // nothing beyond U+10FFFF
    } else {
      return false;
    }
    if (text.size() - i < length) {
      return false;
    }
    for (std::size_t k = 1; k < length; ++k) {
      const auto c = static_cast<unsigned char>(text[i + k]);
      if (!IsContinuation(c) || (k == 1 && (c < low || c > high))) {
        return false;
      }
    }
    i += length;
  }
  return true;
}

std::size_t CharacterCount(std::string_view utf8) {
  return static_cast<std::size_t>(std::count_if(utf8.begin(), utf8.end(), [](char c) {
    return !IsContinuation(static_cast<unsigned char>(c));
  }));
}

bool KeysMatch(std::string_view lineKey, std::string_view key, const LocaleCaseKey& locale) {
  if ((IsAscii(lineKey) && IsAscii(key)) || !IsUtf8(lineKey) || !IsUtf8(key)) {
    return SameIgnoringAsciiCase(lineKey, key);
  }
  return locale(lineKey) == locale(key);
}

}  // namespace settings
