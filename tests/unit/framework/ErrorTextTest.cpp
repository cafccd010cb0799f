// The texts of the two error displays.
#include "framework/ErrorText.h"

#include <gtest/gtest.h>

namespace {

TEST(ErrorTextTest, HandlerDisplayAppendsADotAfterCharactersAboveIt) {
  struct Case {
    const char* message;
    const char* shown;
  };
  const Case cases[] = {
      {"abc", "abc."},
      {"abc.", "abc."},
      {"abc)", "abc)"},
      {"abc-", "abc-"},
      {"abc ", "abc "},
      {"", ""},
      {"数ではありません", "数ではありません."},
      {"終わり。", "終わり。."},
      {"x/", "x/."},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(fw::HandlerErrorText(c.message), c.shown) << c.message;
  }
}

TEST(ErrorTextTest, StartupDisplayNamesTypeModuleAndAddress) {
  EXPECT_EQ(fw::StartupErrorText("EICMPError", "vorlix.exe", 0x1A2B,
                                 "必要なファイル ICMP.DLL が見つかりません。"),
            "EICMPErrorがモジュール vorlix.exe の 00001A2B で発生しました。\n"
            "必要なファイル ICMP.DLL が見つかりません。.");
  EXPECT_EQ(fw::StartupErrorText("E", "m.exe", 0xABCDEF12, "ends."),
            "Eがモジュール m.exe の ABCDEF12 で発生しました。\nends.");
  EXPECT_EQ(fw::StartupErrorText("E", "m.exe", 0, "paren)"),
            "Eがモジュール m.exe の 00000000 で発生しました。\nparen).");
  EXPECT_EQ(fw::StartupErrorText("E", "m.exe", 0, ""),
            "Eがモジュール m.exe の 00000000 で発生しました。\n");
}

}  // namespace
