// Number text rules: reading integers, the conversion error's message and writing.
#include "settings/NumberText.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <optional>
#include <string>

namespace {

using namespace std::string_literals;

constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();

TEST(NumberText, TextToIntReadsExactlyTheIntegerTexts) {
  struct Case {
    std::string text;
    std::optional<std::int32_t> expected;  // nullopt: the text is no integer
  };
  const Case cases[] = {
      // Blanks: only leading spaces are skipped.
      {"12", 12},
      {" 12", 12},
      {"   12", 12},
      {"12 ", std::nullopt},
      {"\t12", std::nullopt},
      {"\r\n12", std::nullopt},
      {"12\r", std::nullopt},
      {"1 2", std::nullopt},
      {"   ", std::nullopt},
      {"", std::nullopt},
      // Signs.
      {"+7", 7},
      {"-7", -7},
      {"-0", 0},
      {" -5", -5},
      {"- 7", std::nullopt},
      {"+-7", std::nullopt},
      {"--7", std::nullopt},
      {"-", std::nullopt},
      {"+", std::nullopt},
      {"7-", std::nullopt},
      {"1+2", std::nullopt},
      // Leading zeros.
      {"0", 0},
      {"007", 7},
      {"0000000000000000012", 12},
      {"000000000002147483647", kMax},
      // Hexadecimal prefixes, digits in either case.
      {"$1F", 31},
      {"$1f", 31},
      {"0x1F", 31},
      {"0X1F", 31},
      {"x1F", 31},
      {"X1F", 31},
      {"$aBcD", 0xABCD},
      {"-$10", 16},
      {"+$10", 16},
      {"-0x10", 16},
      {" $10", 16},
      {"$ 10", std::nullopt},
      {"$", std::nullopt},
      {"0x", std::nullopt},
      {"-x", std::nullopt},
      {"00x1F", std::nullopt},
      {"0$1", std::nullopt},
      {"$$1", std::nullopt},
      {"0x0x1", std::nullopt},
      {"$1G", std::nullopt},
      {"$10 ", std::nullopt},
      // Hexadecimal range: eight significant digits, read as 32 unsigned bits.
      {"$000000001F", 31},
      {"$0FFFFFFF", 0x0FFFFFFF},
      {"$7FFFFFFF", kMax},
      {"$80000000", kMin},
      {"$FFFFFFFF", -1},
      {"$0000000000FFFFFFFF", -1},
      {"$100000000", std::nullopt},
      {"$FFFFFFFFF", std::nullopt},
      // Decimal range.
      {"2147483647", kMax},
      {"2147483648", std::nullopt},
      {"2147483649", std::nullopt},
      {"-2147483648", kMin},
      {"-2147483649", std::nullopt},
      {"-2147483650", std::nullopt},
      {"4294967296", std::nullopt},
      {"4294967295", std::nullopt},
      {"21474836470", std::nullopt},
      {"99999999999999999999", std::nullopt},
      // Other bytes.
      {"1.5", std::nullopt},
      {"1e3", std::nullopt},
      {"1,000", std::nullopt},
      {"abc", std::nullopt},
      {"\xEF\xBC\x91\xEF\xBC\x92", std::nullopt},  // 12 in full-width digits (UTF-8)
      {"\x82\x50\x82\x51", std::nullopt},          // 12 in full-width digits (Shift-JIS)
      {"\xE3\x80\x80"
       "12",
       std::nullopt},  // behind an ideographic space
      // A NUL byte ends the text.
      {"12\0abc"s, 12},
      {"-$1F\0 "s, 31},
      {"\0"s
       "12",
       std::nullopt},
      {"12 \0"s, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.text));
    if (c.expected) {
      EXPECT_EQ(settings::TextToInt(c.text), *c.expected);
    } else {
      EXPECT_THROW(settings::TextToInt(c.text), settings::EConvertError);
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
