// Second readings of the settings rules, written apart from the real ones, for the fuzz target to
// compare the real ones with.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace reference {

// Letters A to Z equal a to z; every other byte only itself.
bool SameIgnoringAsciiCase(const std::string& a, const std::string& b);

// An integer text: leading spaces, a sign, decimal digits or a hexadecimal prefix and digits.
std::optional<std::int32_t> TextToInt(std::string_view text);

// The lines of a file's content after a UTF-8 byte-order mark: up to a NUL byte, split at CR LF,
// CR and LF.
std::vector<std::string> SplitLines(std::string_view content);

// The value of the first line whose key (before its first "=") is key in any ASCII letter case;
// no such line gives nullopt.
std::optional<std::string> FindValue(const std::vector<std::string>& lines, const std::string& key);

// A dotted address split into four numbers; nullopt unless all four are numbers.
std::optional<std::array<std::int32_t, 4>> StrToIP(const std::string& text);

}  // namespace reference
