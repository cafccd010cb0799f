// Text routines every layer shares.
#include "base/Text.h"

namespace base {

std::string TrimText(const std::string& text) {
  auto blank = [](char c) { return static_cast<unsigned char>(c) <= 32; };
  std::size_t first = 0;
  while (first < text.size() && blank(text[first])) {
    ++first;
  }
  std::size_t last = text.size();
  while (last > first && blank(text[last - 1])) {
    --last;
  }
  return text.substr(first, last - first);
}

}  // namespace base
