// The settings fields' ranges, and the rules that read a field's or a stored switch's text.
#pragma once

#include <cstdint>
#include <string>

namespace settings {

// The values a number field takes, and what it shows when its text is no number.
struct FieldRange {
  std::int32_t Minimum;
  std::int32_t Maximum;
  std::int32_t Fallback;
};

inline constexpr FieldRange kOctetRange{0, 255, 0};
inline constexpr FieldRange kTimeOutRange{0, 9999, 0};
inline constexpr FieldRange kMinutesRange{1, 99, 1};

// The number a field's text holds, brought into the range; a text that is no number gives the
// fallback. Never fails.
std::int32_t FieldValue(const std::string& text, const FieldRange& range);

// A stored switch is on when the lowest 8 bits of its number are not all zero. A value that is
// no number raises EConvertError.
bool SwitchOn(const std::string& value);

}  // namespace settings
