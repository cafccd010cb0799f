// A stored value kept within a few hundred bytes however long its line.
#include "settings/BoundedValue.h"

#include <algorithm>

namespace settings {

namespace {

constexpr int kAddressDots = 4;

}  // namespace

void BoundedValue::Append(std::string_view bytes) {
  std::size_t i = 0;
  while (i < bytes.size() && dots_ < kAddressDots) {
    if (cut_) {
      // Nothing more of this part is kept; a dot begins the next.
      i = std::min(bytes.find('.', i), bytes.size());
      if (i < bytes.size()) {
        Push(bytes[i++]);
      }
    } else if (run_ >= kLongestRun && bytes[i] == text_.back()) {
      i = std::min(bytes.find_first_not_of(text_.back(), i), bytes.size());  // a long run
    } else {
      Push(bytes[i++]);
    }
  }
}

void BoundedValue::Push(char c) {
  if (c == '.') {
    text_.push_back(c);
    ++dots_;
    run_ = 0;
    part_ = 0;
    cut_ = false;
    return;
  }
  if (cut_) {
    return;
  }
  const bool repeats = !text_.empty() && text_.back() == c && (c == ' ' || c == '0');
  run_ = repeats ? run_ + 1 : 1;
  if (repeats && run_ > kLongestRun) {
    return;
  }
  if (part_ == kLongestPart) {
    text_.push_back('Z');
    cut_ = true;
    return;
  }
  text_.push_back(c);
  ++part_;
}

}  // namespace settings
