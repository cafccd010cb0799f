// Dotted address text: IPToStr and StrToIP, with what a failing split leaves stored.
#include "settings/Utility.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <limits>
#include <string>

#include "settings/NumberText.h"

namespace {

constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
// What the outputs hold before the split; a pass that did not store leaves it.
constexpr std::int32_t kUntouched = 777;

TEST(Utility, IPToStrJoinsFourDecimalsWithoutRangeCheck) {
  struct Case {
    std::array<std::int32_t, 4> values;
    const char* text;
  };
  const Case cases[] = {
      {{10, 0, 0, 1}, "10.0.0.1"},
      {{-1, 256, 0, 0}, "-1.256.0.0"},
      {{kMin, kMax, 0, -7}, "-2147483648.2147483647.0.-7"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(settings::IPToStr(c.values[0], c.values[1], c.values[2], c.values[3]), c.text);
  }
}

TEST(Utility, StrToIPSplitsInFourPassesAndStopsAtTheFirstBadComponent) {
  struct Case {
    std::string text;
    std::array<std::int32_t, 4> stored;
    const char* message;  // nullptr: all four passes succeed
  };
  const Case cases[] = {
      {"10.0.0.1", {10, 0, 0, 1}, nullptr},
      {"010.000.000.001", {10, 0, 0, 1}, nullptr},
      {"1.2.3.4.5", {1, 2, 3, 4}, nullptr},
      {"1.2.3.4567", {1, 2, 3, 456}, nullptr},
      {"1.2.3.2147483647", {1, 2, 3, 214}, nullptr},
      {"300.1.2.3", {300, 1, 2, 3}, nullptr},
      {" 1. 2. 3. 4", {1, 2, 3, 4}, nullptr},
      {"$FF.0x10.-1.+7", {255, 16, -1, 7}, nullptr},
      {"123456789", {123, 567, 9, kUntouched}, "'' は整数ではありません"},
      {"1.2.3", {1, 2, 3, kUntouched}, "'' は整数ではありません"},
      {"1..2.3", {1, kUntouched, kUntouched, kUntouched}, "'' は整数ではありません"},
      {"12345", {123, 5, kUntouched, kUntouched}, "'' は整数ではありません"},
      {"1.2.3.4 ", {1, 2, 3, kUntouched}, "'4 ' は整数ではありません"},
      {"1.2.3.   4", {1, 2, 3, kUntouched}, "'   ' は整数ではありません"},
      {"", {kUntouched, kUntouched, kUntouched, kUntouched}, "'' は整数ではありません"},
      {"a.2.3.4", {kUntouched, kUntouched, kUntouched, kUntouched}, "'a' は整数ではありません"},
      {"1.2.x.4", {1, 2, kUntouched, kUntouched}, "'x' は整数ではありません"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.text));
    std::array<std::int32_t, 4> out{kUntouched, kUntouched, kUntouched, kUntouched};
    try {
      settings::StrToIP(c.text, out[0], out[1], out[2], out[3]);
      EXPECT_EQ(c.message, nullptr) << "no error raised";
    } catch (const settings::EConvertError& e) {
      EXPECT_EQ(e.Message(), c.message != nullptr ? c.message : "(no error)");
    }
    EXPECT_EQ(out, c.stored);
  }
}

TEST(Utility, StrToIPReadsBackWhatIPToStrWrites) {
  const std::array<std::int32_t, 4> addresses[] = {
      {0, 0, 0, 0}, {255, 255, 255, 255}, {198, 18, 0, 20}, {kMin, -1, kMax, 999}, {7, 8, 9, -99}};
  for (const auto& address : addresses) {
    const std::string text = settings::IPToStr(address[0], address[1], address[2], address[3]);
    SCOPED_TRACE(text);
    std::array<std::int32_t, 4> out{};
    settings::StrToIP(text, out[0], out[1], out[2], out[3]);
    EXPECT_EQ(out, address);
  }
}

}  // namespace
