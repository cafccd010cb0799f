// Second readings of the settings rules, written apart from the real ones, for the fuzz target to
// compare the real ones with.
#include "Reference.h"

#include <charconv>
#include <cstddef>

namespace reference {

namespace {

char Upper(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c;
}

}  // namespace

bool SameIgnoringAsciiCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) {
    return false;
  }
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (Upper(a[i]) != Upper(b[i])) {
      return false;
    }
  }
  return true;
}

// A state machine checks the form, then std::from_chars reads the digits and the range is
// checked on a 64-bit value.
std::optional<std::int32_t> TextToInt(std::string_view text) {
  const std::size_t nul = text.find('\0');
  if (nul != std::string_view::npos) {
    text = text.substr(0, nul);
  }
  enum class State { Blanks, AfterSign, AfterZero, HexStart, Hex, Decimal };
  State state = State::Blanks;
  bool negative = false;
  std::size_t digitsFrom = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    const bool decimal = c >= '0' && c <= '9';
    const bool hex = decimal || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
    switch (state) {
      case State::Blanks:
      case State::AfterSign:
        if (state == State::Blanks && c == ' ') {
          continue;
        }
        if (state == State::Blanks && (c == '+' || c == '-')) {
          negative = c == '-';
          state = State::AfterSign;
        } else if (c == '$' || c == 'x' || c == 'X') {
          state = State::HexStart;
          digitsFrom = i + 1;
        } else if (c == '0') {
          state = State::AfterZero;
          digitsFrom = i;
        } else if (decimal) {
          state = State::Decimal;
          digitsFrom = i;
        } else {
          return std::nullopt;
        }
        break;
      case State::AfterZero:
        if (c == 'x' || c == 'X') {
          state = State::HexStart;
          digitsFrom = i + 1;
        } else if (decimal) {
          state = State::Decimal;
        } else {
          return std::nullopt;
        }
        break;
      case State::HexStart:
      case State::Hex:
        if (!hex) {
          return std::nullopt;
        }
        state = State::Hex;
        break;
      case State::Decimal:
        if (!decimal) {
          return std::nullopt;
        }
        break;
    }
  }
  if (state != State::Hex && state != State::Decimal && state != State::AfterZero) {
    return std::nullopt;
  }
  const char* first = text.data() + digitsFrom;
  const char* last = text.data() + text.size();
  std::uint64_t value = 0;
  const int base = state == State::Hex ? 16 : 10;
  if (std::from_chars(first, last, value, base).ec != std::errc()) {
    return std::nullopt;  // out of range for 64 bits, so for 32 as well
  }
  if (base == 16) {
    if (value > 0xFFFFFFFFull) {
      return std::nullopt;
    }
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
  }
  const std::int64_t signedValue =
      negative ? -static_cast<std::int64_t>(value) : static_cast<std::int64_t>(value);
  if (value > 2147483648ull || signedValue > 2147483647) {
    return std::nullopt;
  }
  return static_cast<std::int32_t>(signedValue);
}

std::vector<std::string> SplitLines(std::string_view content) {
  if (content.substr(0, 3) == "\xEF\xBB\xBF") {
    content.remove_prefix(3);
  }
  std::vector<std::string> lines;
  std::string line;
  bool afterCarriageReturn = false;
  for (const char c : content) {
    if (c == '\0') {
      break;
    }
    if (c == '\n' && afterCarriageReturn) {
      afterCarriageReturn = false;  // the second half of CR LF
      continue;
    }
    afterCarriageReturn = c == '\r';
    if (c == '\r' || c == '\n') {
      lines.push_back(line);
      line.clear();
    } else {
      line += c;
    }
  }
  if (!line.empty()) {
    lines.push_back(line);
  }
  return lines;
}

std::optional<std::string> FindValue(const std::vector<std::string>& lines,
                                     const std::string& key) {
  for (const std::string& line : lines) {
    std::size_t equals = 0;
    while (equals < line.size() && line[equals] != '=') {
      ++equals;
    }
    if (equals < line.size() && SameIgnoringAsciiCase(line.substr(0, equals), key)) {
      return line.substr(equals + 1);
    }
  }
  return std::nullopt;
}

std::optional<std::array<std::int32_t, 4>> StrToIP(const std::string& text) {
  std::array<std::int32_t, 4> numbers{};
  std::size_t at = 0;
  for (std::int32_t& number : numbers) {
    std::size_t end = text.find('.', at);
    std::size_t next = end + 1;
    if (end == std::string::npos) {
      end = at + 3;  // no dot: three bytes are read and four dropped
      next = at + 4;
    }
    const std::optional<std::int32_t> value =
        TextToInt(at < text.size() ? std::string_view(text).substr(at, end - at) : "");
    if (!value) {
      return std::nullopt;
    }
    number = *value;
    at = next;
  }
  return numbers;
}

}  // namespace reference
