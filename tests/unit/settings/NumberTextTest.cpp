// Number text rules: reading integers, the conversion error's message and writing.
#include "settings/NumberText.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <utility>
#include <vector>

namespace {

using namespace std::string_literals;

constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();

TEST(NumberText, TextToIntReadsExactlyTheIntegerTexts) {
  struct Group {
    const char* what;
    std::vector<std::pair<std::string, std::int32_t>> integers;
    std::vector<std::string> noIntegers;
  };
  const Group groups[] = {
      {"blanks: only leading spaces are skipped",
       {{"12", 12}, {" 12", 12}, {"   12", 12}},
       {"12 ", "\t12", "\r\n12", "12\r", "1 2", "   ", ""}},
      {"signs",
       {{"+7", 7}, {"-7", -7}, {"-0", 0}, {" -5", -5}},
       {"- 7", "+-7", "--7", "-", "+", "7-", "1+2"}},
      {"leading zeros",
       {{"0", 0}, {"007", 7}, {"0000000000000000012", 12}, {"000000000002147483647", kMax}},
       {}},
      {"hexadecimal prefixes, digits in either case",
       {{"$1F", 31},
        {"$1f", 31},
        {"0x1F", 31},
        {"0X1F", 31},
        {"x1F", 31},
        {"X1F", 31},
        {"$aBcD", 0xABCD},
        {"-$10", 16},
        {"+$10", 16},
        {"-0x10", 16},
        {" $10", 16}},
       {"$ 10", "$", "0x", "-x", "00x1F", "0$1", "$$1", "0x0x1", "$1G", "$10 "}},
      {"hexadecimal range: eight significant digits, read as 32 unsigned bits",
       {{"$000000001F", 31},
        {"$0FFFFFFF", 0x0FFFFFFF},
        {"$7FFFFFFF", kMax},
        {"$80000000", kMin},
        {"$FFFFFFFF", -1},
        {"$0000000000FFFFFFFF", -1}},
       {"$100000000", "$FFFFFFFFF"}},
      {"decimal range",
       {{"2147483647", kMax}, {"-2147483648", kMin}},
       {"2147483648", "2147483649", "-2147483649", "-2147483650", "4294967296", "4294967295",
        "21474836470", "99999999999999999999"}},
      {"other bytes: full-width digits (UTF-8, Shift-JIS), behind an ideographic space",
       {},
       {"1.5", "1e3", "1,000", "abc", "\xEF\xBC\x91\xEF\xBC\x92", "\x82\x50\x82\x51",
        "\xE3\x80\x80"s + "12"}},
      {"a NUL byte ends the text", {{"12\0abc"s, 12}, {"-$1F\0 "s, 31}}, {"\0"s + "12", "12 \0"s}},
  };
  for (const Group& g : groups) {
    for (const auto& [text, value] : g.integers) {
      SCOPED_TRACE(std::string(g.what) + ": " + testing::PrintToString(text));
      EXPECT_EQ(settings::TextToInt(text), value);
    }
    for (const std::string& text : g.noIntegers) {
      SCOPED_TRACE(std::string(g.what) + ": " + testing::PrintToString(text));
      EXPECT_THROW(settings::TextToInt(text), settings::EConvertError);
    }
  }
}

TEST(NumberText, ConversionErrorQuotesTheTextAsGiven) {
  struct Case {
    std::string text;
    std::string message;
  };
  const Case cases[] = {
      {" abc", "' abc' は整数ではありません"},
      {"", "'' は整数ではありません"},
      {"12 ", "'12 ' は整数ではありません"},
      {"\xEF\xBC\x91", "'\xEF\xBC\x91' は整数ではありません"},
      // What follows a NUL byte is not part of the text.
      {"ab\0cd"s, "'ab' は整数ではありません"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.text));
    try {
      settings::TextToInt(c.text);
      ADD_FAILURE() << "no error raised";
    } catch (const base::Exception& e) {
      EXPECT_EQ(e.Message(), c.message);
      EXPECT_STREQ(e.ClassName(), "EConvertError");
      EXPECT_NE(dynamic_cast<const settings::EConvertError*>(&e), nullptr);
    }
  }
}

TEST(NumberText, IntToTextWritesPlainDecimalThatReadsBack) {
  struct Case {
    std::int32_t value;
    const char* text;
  };
  const Case cases[] = {
      {0, "0"},
      {255, "255"},
      {-1, "-1"},
      {1000000, "1000000"},
      {kMax, "2147483647"},
      {kMin, "-2147483648"},
      {-255, "-255"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    EXPECT_EQ(settings::IntToText(c.value), c.text);
    EXPECT_EQ(settings::TextToInt(settings::IntToText(c.value)), c.value);
  }
}

}  // namespace
