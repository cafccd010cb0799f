// Which names a save takes for its own temporary files, and which it leaves alone.
#include "framework/TemporaryName.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(TemporaryName, ASaveKnowsItsOwnNamesAndNoOthers) {
  const std::string made = fw::TemporaryName("Vorlix.ini", std::string(10, '\x07'));
  EXPECT_EQ(made, ".Vorlix.ini.HHHHHHHHHH");
  EXPECT_NE(fw::TemporaryName("Vorlix.ini", "0123456789"), made) << "the bytes choose the name";
  struct Case {
    const char* name;
    bool ours;
  };
  const Case cases[] = {
      {".Vorlix.ini.Ab3dE6gH9j", true},
      {".Vorlix.ini.0123456789", true},
      {"Vorlix.ini.0123456789ABCDEF", true},  // the Windows build's earlier form
      {"Vorlix.ini.0123456789abcdef", false},
      {".Vorlix.ini.Ab3dE6gH9", false},
      {".Vorlix.ini.Ab3dE6gH9jk", false},
      {".Vorlix.ini.Ab3dE6gH9-", false},
      {"Vorlix.ini.Ab3dE6gH9j", false},  // a user's name as likely as a leftover
      {"Vorlix.ini.bak", false},
      {".vorlix.ini.Ab3dE6gH9j", false},
      {".Other.ini.Ab3dE6gH9j", false},
      {"Vorlix.ini", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(fw::IsTemporaryName(c.name, "Vorlix.ini"), c.ours) << c.name;
  }
  EXPECT_TRUE(fw::IsTemporaryName(made, "Vorlix.ini"));
}

}  // namespace
