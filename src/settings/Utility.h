// Dotted address text: building it from four integers and splitting it into four.
#pragma once

#include <cstdint>
#include <string>

namespace settings {

// The four values in decimal joined by "."; no range check.
std::string IPToStr(std::int32_t a, std::int32_t b, std::int32_t c, std::int32_t d);

// Splits s into four numbers, stored into a, b, c and d in turn. Each pass takes the text before
// the first "." (or, when there is none, the first three bytes) and removes it with its dot (or
// four bytes). A component that is no number raises EConvertError at once: the results of earlier
// passes are already stored, the later ones are untouched. Anything after the fourth pass is
// ignored.
void StrToIP(const std::string& s, std::int32_t& a, std::int32_t& b, std::int32_t& c,
             std::int32_t& d);

}  // namespace settings
