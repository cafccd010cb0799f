// Text routines of the base layer: trimming.
#include "base/Text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace std::string_literals;

// The ideographic space in UTF-8 and in Shift-JIS: no blank that trimming takes.
const std::string kIdeographicSpace = "\xE3\x80\x80";
const std::string kShiftJisSpace = "\x81\x40";

TEST(Text, TrimTextRemovesBlanksAndControlBytesAtBothEnds) {
  struct Case {
    std::string text;
    std::string trimmed;
  };
  const Case cases[] = {
      {"\t 12\r\n", "12"},
      {"\t \t ", ""},
      {"", ""},
      {"a b\tc", "a b\tc"},
      {"\x01\x1F"s + "a\x7F", "a\x7F"},
      {"\0a\0"s, "a"},
      {kIdeographicSpace + "a" + kIdeographicSpace, kIdeographicSpace + "a" + kIdeographicSpace},
      {kShiftJisSpace + "a" + kShiftJisSpace, kShiftJisSpace + "a" + kShiftJisSpace},
      {" \xFF ", "\xFF"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.text));
    EXPECT_EQ(base::TrimText(c.text), c.trimmed);
  }
}

}  // namespace
