// The texts of the two error displays.
#include "framework/ErrorText.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <stdexcept>
#include <string>

#include "framework/PlatformError.h"

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

// Any error start-up meets: the program's own errors by their class and where they were raised;
// platform failures are the program's own too; anything else is an "Exception" of the module.
TEST(ErrorTextTest, StartupDisplayTellsTheProgramsErrorsFromOthers) {
  const char* const raised = "raised here";
  const fw::ModuleAt moduleAt = [](const void* address, std::uintptr_t& offset) {
    offset = address != nullptr ? 0x1234 : 0;
    return std::string(address == nullptr ? "vorlix" : "somewhere");
  };
  const fw::EPlatformError platform("gtk_window_new failed for a form");
  EXPECT_NE(platform.RaiseAddress(), nullptr);
  EXPECT_EQ(fw::StartupErrorText(platform, moduleAt),
            "EPlatformErrorがモジュール somewhere の 00001234 で発生しました。\n"
            "gtk_window_new failed for a form.");
  const fw::EFileError file("opening", "Vorlix.ini", "Permission denied", raised);
  EXPECT_EQ(file.RaiseAddress(), raised);
  EXPECT_EQ(file.Message(), "opening Vorlix.ini: Permission denied");
  EXPECT_STREQ(file.ClassName(), "EFileError");
  EXPECT_EQ(fw::StartupErrorText(std::runtime_error("plain"), moduleAt),
            "Exceptionがモジュール vorlix の 00000000 で発生しました。\nplain.");
}

}  // namespace
