// Fuzz target for the settings layer: number texts, dotted addresses and settings-file text.
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <strings.h>

#include "settings/NumberText.h"
#include "settings/SettingsText.h"
#include "settings/Utility.h"

namespace {

void Check(bool condition, const char* what) {
  if (!condition) {
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
  }
}

// A second reading of an integer text, written independently: a state machine checks the form,
// then std::from_chars reads the digits and the range is checked on a 64-bit value.
std::optional<std::int32_t> ReferenceTextToInt(std::string_view text) {
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

void FuzzTextToInt(const std::string& text) {
  const std::string_view readable(text.c_str());
  const std::optional<std::int32_t> expected = ReferenceTextToInt(readable);
  try {
    const std::int32_t value = settings::TextToInt(text);
    Check(expected.has_value(), "TextToInt accepted a text the reference rejects");
    Check(value == *expected, "TextToInt and the reference disagree");
    Check(settings::TextToInt(settings::IntToText(value)) == value, "IntToText does not read back");
  } catch (const settings::EConvertError& e) {
    Check(!expected.has_value(), "TextToInt rejected a text the reference accepts");
    const std::string quoted = "'" + std::string(readable) + "'";
    Check(e.Message().rfind(quoted, 0) == 0, "the message does not quote the text");
  }
}

void FuzzStrToIP(const std::string& text) {
  constexpr std::int32_t kUntouched = 0x5A5A5A5A;
  std::int32_t out[4] = {kUntouched, kUntouched, kUntouched, kUntouched};
  try {
    settings::StrToIP(text, out[0], out[1], out[2], out[3]);
    // The first component is the text before the first dot, or its first three bytes.
    const std::size_t dot = text.find('.');
    const std::string first = text.substr(0, dot == std::string::npos ? 3 : dot);
    Check(settings::TextToInt(first) == out[0], "StrToIP's first component is wrong");
  } catch (const settings::EConvertError&) {
    // Passes store in order: once one is untouched, so are all later ones.
    for (int i = 1; i < 4; ++i) {
      Check(out[i - 1] != kUntouched || out[i] == kUntouched, "StrToIP stored out of order");
    }
  }
  // Four octet-sized values written with IPToStr split back into the same four.
  if (text.size() >= 4) {
    std::int32_t in[4];
    for (std::size_t i = 0; i < 4; ++i) {
      in[i] = static_cast<std::int8_t>(text[i]) * 7;  // -896 to 889: the last fits three bytes
    }
    in[3] = in[3] / 10;
    std::int32_t back[4] = {};
    settings::StrToIP(settings::IPToStr(in[0], in[1], in[2], in[3]), back[0], back[1], back[2],
                      back[3]);
    Check(std::memcmp(in, back, sizeof in) == 0, "StrToIP does not read back IPToStr");
  }
}

void FuzzSettingsText(const std::string& content) {
  static const char* const kKeys[] = {"MainFormPosX",   "MainFormPosY", "ConfigFormPosX",
                                      "ConfigFormPosY", "IP",           "TimeOut",
                                      "AutoPing",       "PingTime",     "StayOnTop"};
  const std::vector<std::string> lines = settings::SplitLines(content);
  for (const std::string& line : lines) {
    Check(line.find_first_of(std::string_view("\r\n\0", 3)) == std::string::npos,
          "a line holds a line end or a NUL");
  }
  Check(settings::SplitLines(settings::JoinLines(lines)) == lines,
        "joined lines split differently");
  const std::string readable(content.c_str());
  Check(lines.empty() == readable.empty(), "empty content and no lines do not go together");
  for (const char* key : kKeys) {
    const std::string value =
        settings::FindValue(lines, key, [](const std::string& lineKey, const std::string& wanted) {
          return strcasecmp(lineKey.c_str(), wanted.c_str()) == 0;
        });
    Check(value.find_first_of(std::string_view("\r\n\0", 3)) == std::string::npos,
          "a value holds a line end or a NUL");
    if (!value.empty()) {
      // Some line is the key, in any letter case, then "=" and the value.
      const std::size_t keyLength = std::strlen(key);
      bool found = false;
      for (const std::string& line : lines) {
        found =
            found || (line.size() == keyLength + 1 + value.size() &&
                      strncasecmp(line.c_str(), key, keyLength) == 0 && line[keyLength] == '=' &&
                      line.compare(keyLength + 1, value.size(), value) == 0);
      }
      Check(found, "a value comes from no line of its key");
    }
    FuzzTextToInt(value);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  FuzzTextToInt(input);
  FuzzStrToIP(input);
  FuzzSettingsText(input);
  return 0;
}
