// Number text rules: reading and writing 32-bit integers as text.
#include "settings/NumberText.h"

#include <charconv>
#include <iterator>
#include <optional>
#include <string_view>
#include <utility>

namespace settings {

namespace {

bool IsDecimalDigit(char c) {
  return c >= '0' && c <= '9';
}

// The value of a hexadecimal digit in either case, or -1 for any other byte.
int HexDigitValue(char c) {
  if (IsDecimalDigit(c)) {
    return c - '0';
  }
  if (c >= 'A' && c <= 'F') {
    return c - 'A' + 10;
  }
  if (c >= 'a' && c <= 'f') {
    return c - 'a' + 10;
  }
  return -1;
}

// At least one hexadecimal digit, at most eight significant ones; the 32 bits are then taken as
// a signed value.
std::optional<std::int32_t> ReadHexadecimal(std::string_view digits) {
  if (digits.empty()) {
    return std::nullopt;
  }
  std::uint32_t value = 0;
  for (const char c : digits) {
    const int digit = HexDigitValue(c);
    if (digit < 0 || value > 0x0FFFFFFFu) {
      return std::nullopt;
    }
    value = value * 16u + static_cast<std::uint32_t>(digit);
  }
  return static_cast<std::int32_t>(value);
}

// At least one decimal digit; the result must lie within -2147483648 to 2147483647.
std::optional<std::int32_t> ReadDecimal(std::string_view digits, bool negative) {
  if (digits.empty()) {
    return std::nullopt;
  }
  std::uint32_t magnitude = 0;
  for (const char c : digits) {
    if (!IsDecimalDigit(c) || magnitude > 214748364u) {
      return std::nullopt;
    }
    magnitude = magnitude * 10u + static_cast<std::uint32_t>(c - '0');
  }
  if (negative) {
    if (magnitude > 2147483648u) {
      return std::nullopt;
    }
    return static_cast<std::int32_t>(0u - magnitude);
  }
  if (magnitude >= 2147483648u) {
    return std::nullopt;
  }
  return static_cast<std::int32_t>(magnitude);
}

std::optional<std::int32_t> ReadInteger(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && text[i] == ' ') {
    ++i;
  }
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
    negative = text[i] == '-';
    ++i;
  }
  const std::string_view rest = text.substr(i);
  if (!rest.empty() && (rest[0] == '$' || rest[0] == 'x' || rest[0] == 'X')) {
    // A sign before a hexadecimal number is allowed and has no effect.
    return ReadHexadecimal(rest.substr(1));
  }
  if (rest.size() >= 2 && rest[0] == '0' && (rest[1] == 'x' || rest[1] == 'X')) {
    return ReadHexadecimal(rest.substr(2));
  }
  return ReadDecimal(rest, negative);
}

}  // namespace

EConvertError::EConvertError(std::string message)
    : base::Exception(std::move(message), VORLIX_CALLER_ADDRESS()) {}

std::int32_t TextToInt(const std::string& text) {
  // A NUL byte ends the text, both for reading and for the message.
  const std::string_view readable(text.c_str());
  const std::optional<std::int32_t> value = ReadInteger(readable);
  if (!value) {
    throw EConvertError("'" + std::string(readable) + "' は整数ではありません");
  }
  return *value;
}

std::string IntToText(std::int32_t value) {
  char buffer[16];
  const std::to_chars_result result = std::to_chars(std::begin(buffer), std::end(buffer), value);
  return {buffer, result.ptr};
}

}  // namespace settings
