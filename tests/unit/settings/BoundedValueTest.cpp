// A long stored value, kept short, reads as the same number and the same dotted address.
#include "settings/BoundedValue.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "settings/NumberText.h"
#include "settings/Utility.h"

namespace {

std::string Kept(const std::string& value, std::size_t piece = 5) {
  settings::BoundedValue kept;
  for (std::size_t at = 0; at < value.size(); at += piece) {
    kept.Append(std::string_view(value).substr(at, piece));
  }
  return kept.Text();
}

std::optional<std::int32_t> Number(const std::string& text) {
  try {
    return settings::TextToInt(text);
  } catch (const settings::EConvertError&) {
    return std::nullopt;
  }
}

std::optional<std::array<std::int32_t, 4>> Address(const std::string& text) {
  std::array<std::int32_t, 4> parts = {};
  try {
    settings::StrToIP(text, parts[0], parts[1], parts[2], parts[3]);
    return parts;
  } catch (const settings::EConvertError&) {
    return std::nullopt;
  }
}

std::string Many(char c, std::size_t n) {
  std::string run(n, c);
  return run;
}

TEST(BoundedValue, ShortValuesStayAsTheyAre) {
  for (const std::string value : {"", "5000", " -12", "198.18.0.20", "$FF", "1.2.3.4"}) {
    EXPECT_EQ(Kept(value), value);
  }
  EXPECT_EQ(Kept("1.2.3.4.5.6"), "1.2.3.4.");
  EXPECT_EQ(Kept(Many(' ', 40) + "7"), Many(' ', 16) + "7");
  EXPECT_EQ(Kept(Many('a', 100) + "." + Many('0', 30) + "1"),
            Many('a', 64) + "Z." + Many('0', 16) + "1");
}

// Every value below, however long, reads as the same number and address when kept short.
TEST(BoundedValue, LongValuesReadAsTheSameNumberAndAddress) {
  const std::string values[] = {
      Many(' ', 500) + "42",
      Many(' ', 500) + "-" + Many('0', 500) + "7",
      "$" + Many('0', 300) + "FF",
      "0x" + Many('0', 300) + "7fffffff",
      "x" + Many('0', 30) + "1" + Many('0', 8),
      "1" + Many('0', 9),
      "1" + Many('0', 20),
      Many('0', 20) + "x5",
      "5" + Many(' ', 40),
      "- " + Many(' ', 30) + "5",
      Many(' ', 17) + "1" + Many(' ', 17) + "2",
      Many('9', 70),
      Many(' ', 100) + "1." + Many('0', 100) + "2." + Many(' ', 50) + "3." + Many('0', 40) + "4",
      "1.2.3." + Many(' ', 30),
      "1.2.3." + Many('0', 30),
      "1.2.3.4" + Many('x', 500),
      "1.2.3.45" + Many(' ', 20) + "." + Many('x', 100),
      "1.2.3." + Many('1', 100) + ".4",
      "12" + Many(' ', 60) + "3",
      "123" + Many('z', 100),
      Many('0', 3) + Many(' ', 20) + "1",
      "1.2." + Many('0', 70) + "3.4",
      "1.2.3.4" + Many('.', 1000),
  };
  for (const std::string& value : values) {
    const std::string kept = Kept(value);
    SCOPED_TRACE(kept);
    EXPECT_LE(kept.size(), 4 * (settings::BoundedValue::kLongestPart + 1) + 4);
    EXPECT_EQ(Number(kept), Number(value));
    EXPECT_EQ(Address(kept), Address(value));
  }
}

}  // namespace
