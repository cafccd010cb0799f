// The settings file's text: line splitting, key lookup and joining.
#include "settings/SettingsText.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

namespace {

using namespace std::string_literals;
using Lines = std::vector<std::string>;

// The comparison the headless back end makes: ASCII letters in either case.
bool SameIgnoringAsciiCase(const std::string& a, const std::string& b) {
  auto fold = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; };
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [&](char l, char r) { return fold(l) == fold(r); });
}

TEST(SettingsText, SplitLinesAtEveryKindOfLineEnd) {
  struct Case {
    std::string content;
    Lines lines;
  };
  const Case cases[] = {
      {"", {}},
      {"a\r\nb\r\n", {"a", "b"}},
      {"a\rb\r", {"a", "b"}},
      {"a\nb\n", {"a", "b"}},
      {"a\r\nb\rc\nd", {"a", "b", "c", "d"}},
      {"a\r\nb", {"a", "b"}},
      {"a", {"a"}},
      {"\r\n", {""}},
      {"\r\n\r\n", {"", ""}},
      {"a\r\n\r\nb", {"a", "", "b"}},
      {"a\n\rb", {"a", "", "b"}},
      {"a\r\r\nb", {"a", "", "b"}},
      {"a\n\nb", {"a", "", "b"}},
      {" a = b \t", {" a = b \t"}},
      // A NUL byte ends the content.
      {"a\r\nb\0c\r\nd"s, {"a", "b"}},
      {"a\r\n\0b"s, {"a"}},
      {"\0a\r\n"s, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.content));
    EXPECT_EQ(settings::SplitLines(c.content), c.lines);
  }
}

TEST(SettingsText, FindValueTakesTheFirstLineWithTheKeyBeforeItsFirstEquals) {
  struct Case {
    const char* name;
    Lines lines;
    std::string key;
    std::string value;
  };
  const Case cases[] = {
      {"exact key", {"IP=1.2.3.4", "TimeOut=800"}, "TimeOut", "800"},
      {"lower-case key", {"timeout=800"}, "TimeOut", "800"},
      {"upper-case key", {"TIMEOUT=800"}, "TimeOut", "800"},
      {"first of two wins", {"TimeOut=1", "timeout=2"}, "TimeOut", "1"},
      {"an empty first value still wins", {"TimeOut=", "TimeOut=5"}, "TimeOut", ""},
      {"missing key", {"IP=1.2.3.4"}, "TimeOut", ""},
      {"no lines", {}, "TimeOut", ""},
      {"blank before the equals sign", {"TimeOut =5000"}, "TimeOut", ""},
      {"blank before the key", {" TimeOut=5000"}, "TimeOut", ""},
      {"a non-matching line is skipped", {"TimeOut =5000", "TimeOut=7"}, "TimeOut", "7"},
      {"a line without equals sign is skipped", {"TimeOut", "TimeOut=3"}, "TimeOut", "3"},
      {"longer key", {"TimeOutX=1"}, "TimeOut", ""},
      {"shorter key", {"Time=1"}, "TimeOut", ""},
      {"key only after the first equals sign", {"X=TimeOut=4"}, "TimeOut", ""},
      {"value holding equals signs", {"IP==1=2"}, "IP", "=1=2"},
      {"blank after the equals sign kept", {"MainFormPosX= 10"}, "MainFormPosX", " 10"},
      {"trailing blank kept", {"MainFormPosX=10 "}, "MainFormPosX", "10 "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(settings::FindValue(c.lines, c.key, SameIgnoringAsciiCase), c.value);
  }
}

TEST(SettingsText, FindValueAsksTheGivenRuleAboutEachKeyUntilOneMatches) {
  const Lines lines = {"timeout=1", "TimeOut", "=0", "TimeOut=2", "TimeOut=3"};
  std::vector<std::pair<std::string, std::string>> asked;
  const settings::SameKey exact = [&asked](const std::string& lineKey, const std::string& key) {
    asked.emplace_back(lineKey, key);
    return lineKey == key;
  };
  EXPECT_EQ(settings::FindValue(lines, "TimeOut", exact), "2");
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"timeout", "TimeOut"}, {"", "TimeOut"}, {"TimeOut", "TimeOut"}};
  EXPECT_EQ(asked, expected);
}

TEST(SettingsText, JoinLinesEndsEveryLineWithCarriageReturnAndLineFeed) {
  EXPECT_EQ(settings::JoinLines({}), "");
  EXPECT_EQ(settings::JoinLines({""}), "\r\n");
  EXPECT_EQ(settings::JoinLines({"a=1", "b="}), "a=1\r\nb=\r\n");
}

TEST(SettingsText, AWrittenFileReadsBackWithAnyLineEnds) {
  const Lines written = {"MainFormPosX=-255",  "MainFormPosY=-255", "ConfigFormPosX=201",
                         "ConfigFormPosY=107", "IP=1.1.1.1",        "TimeOut=5000",
                         "AutoPing=1",         "PingTime=1",        "StayOnTop=0"};
  const std::string crlf = settings::JoinLines(written);
  std::string lf;
  std::string cr;
  for (const std::string& line : written) {
    lf += line + "\n";
    cr += line + "\r";
  }
  for (const std::string& content : {crlf, lf, cr}) {
    SCOPED_TRACE(testing::PrintToString(content));
    const Lines lines = settings::SplitLines(content);
    EXPECT_EQ(lines, written);
    EXPECT_EQ(settings::FindValue(lines, "IP", SameIgnoringAsciiCase), "1.1.1.1");
    EXPECT_EQ(settings::FindValue(lines, "stayontop", SameIgnoringAsciiCase), "0");
  }
}

}  // namespace
