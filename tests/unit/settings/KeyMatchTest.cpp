// Which texts a settings key matches: ASCII letters in any case, bytes that are no UTF-8 as they
// are, the rest by the locale.
#include "settings/KeyMatch.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace std::string_literals;

TEST(KeyMatch, AsciiAndNonUtf8TextsCompareWithoutTheLocaleAndTheRestByIt) {
  struct Case {
    std::string a;
    std::string b;
    bool same;
    bool askedLocale;
  };
  const Case cases[] = {
      {"MainFormPosX", "mainformposx", true, false},
      {"StayOnTop", "STAYONTOP", true, false},
      {"IP", "IPX", false, false},
      {"azAZ", "AZaz", true, false},
      {"`{", "@[", false, false},  // beside the letters: no case
      {"", "", true, false},
      {"TimeOut\x01", "TimeOut", false, false},       // the locale might pass over the control byte
      {"\xff"s + "Ab", "\xff"s + "aB", true, false},  // no UTF-8: ASCII letters folded
      {"\xff", "\xfe", false, false},
      {"\xc0\xaf", "/", false, false},              // an overlong form is no UTF-8
      {"\xed\xa0\x80", "x", false, false},          // nor is a surrogate
      {"\xf4\x90\x80\x80", "x", false, false},      // nor anything beyond U+10FFFF
      {"\xe3\x81\x82", "a", true, true},            // the locale's rule
      {"\xe2\x84\xaa"s + "ey", "KEY", true, true},  // the Kelvin sign, by the locale
      {"\xf0\x9f\x98\x80", "x", true, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.a) + " / " + c.b);
    std::vector<std::string> asked;
    const bool same = settings::KeysMatch(c.a, c.b, [&asked](std::string_view text) {
      asked.emplace_back(text);
      return std::string("one key for all");
    });
    EXPECT_EQ(same, c.same);
    EXPECT_EQ(!asked.empty(), c.askedLocale);
  }
}

TEST(KeyMatch, Utf8Validation) {
  EXPECT_TRUE(settings::IsUtf8("plain"));
  EXPECT_TRUE(settings::IsUtf8("\xc2\xa0\xe3\x81\x82\xf0\x9f\x98\x80"));
  EXPECT_TRUE(settings::IsUtf8("a\0b"s));
  EXPECT_FALSE(settings::IsUtf8("\xe3\x81"));  // cut short
  EXPECT_FALSE(settings::IsUtf8("\x80"));
  EXPECT_FALSE(settings::IsUtf8("\xe0\x80\x80"));
  EXPECT_FALSE(settings::IsUtf8("\xf5\x80\x80\x80"));
  EXPECT_EQ(settings::CharacterCount("a\xc2\xa0\xe3\x81\x82\xf0\x9f\x98\x80"), 4u);
}

}  // namespace
