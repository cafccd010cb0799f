// The names of the temporary files that a save makes beside the file it replaces.
#include "framework/TemporaryName.h"

#include <algorithm>

namespace fw {

namespace {

constexpr std::string_view kLetters =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
constexpr std::size_t kOldHexDigits = 16;

bool IsLetterOrDigit(char c) {
  return kLetters.find(c) != std::string_view::npos;
}

bool IsUpperHex(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
}

// Whether text is prefix, then a suffix of that many characters each of which passes.
bool IsPrefixAnd(std::string_view text, std::string_view prefix, std::size_t length,
                 bool (*passes)(char)) {
  return text.size() == prefix.size() + length && text.substr(0, prefix.size()) == prefix &&
         std::all_of(text.begin() + static_cast<std::ptrdiff_t>(prefix.size()), text.end(), passes);
}

}  // namespace

std::string TemporaryName(std::string_view base, std::string_view random) {
  std::string name = ".";
  name += base;
  name += ".";
  for (std::size_t i = 0; i < kTemporaryRandomBytes; ++i) {
    name += kLetters[static_cast<unsigned char>(random[i]) % kLetters.size()];
  }
  return name;
}

bool IsTemporaryName(std::string_view name, std::string_view base) {
  std::string older(base);
  older += '.';
  std::string ours = ".";
  ours += older;
  return IsPrefixAnd(name, ours, kTemporaryRandomBytes, IsLetterOrDigit) ||
         IsPrefixAnd(name, older, kOldHexDigits, IsUpperHex);
}

}  // namespace fw
