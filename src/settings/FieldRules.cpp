// The settings fields' ranges, and the rules that read a field's or a stored switch's text.
#include "settings/FieldRules.h"

#include <algorithm>

#include "settings/NumberText.h"

namespace settings {

std::int32_t FieldValue(const std::string& text, const FieldRange& range) {
  std::int32_t value = range.Fallback;
  try {
    value = TextToInt(text);
  } catch (const EConvertError&) {
    // Keeps the fallback.
  }
  return std::clamp(value, range.Minimum, range.Maximum);
}

bool SwitchOn(const std::string& value) {
  return (TextToInt(value) & 0xFF) != 0;
}

}  // namespace settings
