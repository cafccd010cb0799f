// The fields' range rule and the stored switch rule, at the edges of the 32-bit values.
#include "settings/FieldRules.h"

#include <gtest/gtest.h>

#include <cstdint>

#include "settings/NumberText.h"

namespace {

TEST(FieldRules, FieldValueClampsAnyNumberAndFallsBackOnAnythingElse) {
  struct Case {
    const char* text;
    settings::FieldRange range;
    std::int32_t value;
  };
  const Case cases[] = {
      {"-2147483648", settings::kOctetRange, 0},
      {"2147483647", settings::kOctetRange, 255},
      {"$FFFFFFFF", settings::kOctetRange, 0},  // -1
      {"$7FFFFFFF", settings::kTimeOutRange, 9999},
      {"9999", settings::kTimeOutRange, 9999},
      {"10000", settings::kTimeOutRange, 9999},
      {"1 ", settings::kTimeOutRange, 0},  // a trailing blank makes it no number
      {"-5", settings::kMinutesRange, 1},
      {"+99", settings::kMinutesRange, 99},
      {"100", settings::kMinutesRange, 99},
      {"", settings::kMinutesRange, 1},
      {"2147483648", settings::kMinutesRange, 1},  // out of 32 bits: no number, so the fallback
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(settings::FieldValue(c.text, c.range), c.value);
  }
}

TEST(FieldRules, SwitchOnLooksAtTheLowestEightBits) {
  struct Case {
    const char* value;
    bool on;
  };
  const Case cases[] = {{"0", false},    {"1", true},          {"2", true},  {"-1", true},
                        {"256", false},  {"$100", false},      {" 1", true}, {"257", true},
                        {"-256", false}, {"$80000000", false}, {"$80", true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    EXPECT_EQ(settings::SwitchOn(c.value), c.on);
  }
  for (const char* value : {"", "yes", "1 "}) {
    SCOPED_TRACE(value);
    EXPECT_THROW(settings::SwitchOn(value), settings::EConvertError);
  }
}

}  // namespace
