// A stored value kept within a few hundred bytes however long its line, reading all the same as
// the number or the dotted address it was.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace settings {

// A value is read only as a number (TextToInt) or as a dotted address (StrToIP), and both give
// the same result, or fail alike, for the shortened text:
// - a run of more than kLongestRun spaces, or of zeros, keeps kLongestRun of them: a number
//   allows such runs only before its first significant digit, and a run that long elsewhere
//   fails either way; a component of an address without dots is read from its first 16 bytes;
// - a part between dots longer than kLongestPart bytes keeps its first kLongestPart bytes and a
//   "Z", which no number holds: no number is that long once its runs are shortened;
// - nothing after the fourth dot is kept: an address reads four parts, a number holds no dot.
class BoundedValue {
 public:
  static constexpr std::size_t kLongestRun = 16;
  static constexpr std::size_t kLongestPart = 64;

  void Append(std::string_view bytes);
  const std::string& Text() const { return text_; }

 private:
  void Push(char c);

  std::string text_;
  std::size_t run_ = 0;   // how many of the last bytes kept are the same space or zero
  std::size_t part_ = 0;  // bytes kept since the last dot
  bool cut_ = false;      // the part since the last dot was cut
  int dots_ = 0;
};

}  // namespace settings
