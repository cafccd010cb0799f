// Dotted address text: building it from four integers and splitting it into four.
#include "settings/Utility.h"

#include <algorithm>

#include "settings/NumberText.h"

namespace settings {

namespace {

// Without a dot, a component is at most three bytes long and four bytes are removed.
constexpr std::size_t kUndottedPosition = 4;

// One pass: converts the leading component of rest into result, then drops it from rest.
void TakeComponent(std::string& rest, std::int32_t& result) {
  const std::size_t dot = rest.find('.');
  const std::size_t position = dot == std::string::npos ? kUndottedPosition : dot + 1;
  result = TextToInt(rest.substr(0, position - 1));
  rest.erase(0, std::min(position, rest.size()));
}

}  // namespace

std::string IPToStr(std::int32_t a, std::int32_t b, std::int32_t c, std::int32_t d) {
  return IntToText(a) + "." + IntToText(b) + "." + IntToText(c) + "." + IntToText(d);
}

void StrToIP(const std::string& s, std::int32_t& a, std::int32_t& b, std::int32_t& c,
             std::int32_t& d) {
  std::string rest = s;
  TakeComponent(rest, a);
  TakeComponent(rest, b);
  TakeComponent(rest, c);
  TakeComponent(rest, d);
}

}  // namespace settings
