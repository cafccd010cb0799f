// Text routines of the base layer: trimming.
#include "base/Text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace std::string_literals;

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
      {"\x01\x1F"
       "a\x7F",
       "a\x7F"},
      {"\0a\0"s, "a"},
      {"\xE3\x80\x80"
       "a\xE3\x80\x80",
       "\xE3\x80\x80"
       "a\xE3\x80\x80"},  // ideographic space (UTF-8)
      {"\x81\x40"
       "a\x81\x40",
       "\x81\x40"
       "a\x81\x40"},  // ideographic space (Shift-JIS)
      {" \xFF ", "\xFF"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.text));
    EXPECT_EQ(base::TrimText(c.text), c.trimmed);
  }
}

}  // namespace
