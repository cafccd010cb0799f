// Number text rules: reading and writing 32-bit integers as text.
#pragma once

#include <cstdint>
#include <string>

#include "base/Exception.h"

namespace settings {

// Raised when a text does not hold an integer.
class EConvertError : public base::Exception {
 public:
  VORLIX_NOINLINE explicit EConvertError(std::string message);
  const char* ClassName() const override { return "EConvertError"; }
};

// Reads a signed 32-bit integer: leading spaces, one optional sign, then decimal digits or a
// hexadecimal prefix ("$", "x", "0x") with digits. A NUL byte ends the text. Anything else
// raises EConvertError.
std::int32_t TextToInt(const std::string& text);

// The plain decimal form, with "-" for a negative value.
std::string IntToText(std::int32_t value);

}  // namespace settings
