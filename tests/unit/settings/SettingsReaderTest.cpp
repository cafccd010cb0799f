// Picking the settings out of a file's text block by block: line ends, the first matching key,
// the NUL that ends the content, the early end, and bounds on what is kept.
#include "settings/SettingsReader.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <utility>

namespace {

using namespace std::string_literals;
using settings::SettingsKey;
using settings::SettingsReader;

// A character that a locale may give no weight, as Windows does: a zero-width space; and one
// of four bytes, an emoji.
const std::string kWeightless = "\xe2\x80\x8b";
const std::string kWeightless4 = "\xf0\x9f\x98\x80";
// Mathematical bold I and P, of four bytes each.
const std::string kBoldI = "\xf0\x9d\x90\x88";
const std::string kBoldP = "\xf0\x9d\x90\x8f";

std::string Repeated(const std::string& text, int times) {
  std::string repeated;
  for (int i = 0; i < times; ++i) {
    repeated += text;
  }
  return repeated;
}

// In place of a locale: full-width and bold Ｉ and Ｐ are the letters I and P, and a zero-width
// space and an emoji are nothing.
std::string FullWidthLocale(std::string_view folded) {
  std::string text(folded);
  for (const auto& [wide, narrow] : {std::pair{"\xef\xbc\xa9", "I"},
                                     {"\xef\xbc\xb0", "P"},
                                     {kWeightless.c_str(), ""},
                                     {kWeightless4.c_str(), ""},
                                     {kBoldI.c_str(), "I"},
                                     {kBoldP.c_str(), "P"}}) {
    for (std::size_t at = text.find(wide); at != std::string::npos; at = text.find(wide)) {
      text.replace(at, std::string_view(wide).size(), narrow);
    }
  }
  return text;
}

// The reader after taking the content in blocks of that size, until it wanted no more.
SettingsReader Read(const std::string& content, std::size_t blockSize,
                    std::size_t* blocksTaken = nullptr) {
  SettingsReader reader(FullWidthLocale);
  std::size_t taken = 0;
  for (std::size_t at = 0; at < content.size(); at += blockSize) {
    ++taken;
    if (!reader.Take(std::string_view(content).substr(at, blockSize))) {
      break;
    }
  }
  if (blocksTaken != nullptr) {
    *blocksTaken = taken;
  }
  return reader;
}

TEST(SettingsReader, TheFirstLineWithTheKeyBeforeItsFirstEqualsGivesTheValue) {
  struct Case {
    const char* name;
    std::string content;
    std::string timeOut;
    std::string ip;
  };
  const Case cases[] = {
      {"exact keys", "IP=1.2.3.4\r\nTimeOut=800\r\n", "800", "1.2.3.4"},
      {"any letter case", "timeout=800\r\nip=9\r\n", "800", "9"},
      {"the locale's letters", "\xef\xbc\xa9\xef\xbc\xb0=7\r\n", "", "7"},
      {"the first of two wins", "TimeOut=1\r\ntimeout=2\r\n", "1", ""},
      {"an empty first value wins", "TimeOut=\r\nTimeOut=5\r\n", "", ""},
      {"no lines", "", "", ""},
      {"blanks around the key match nothing", "TimeOut =1\r\n TimeOut=2\r\nTimeOut=3", "3", ""},
      {"a line without equals sign", "TimeOut\r\nTimeOut=3\r\n", "3", ""},
      {"a line without equals sign ends at a lone CR", "TimeOut\rTimeOut=3\r", "3", ""},
      {"longer and shorter keys", "TimeOutX=1\r\nTime=2\r\n", "", ""},
      {"the key ends at the first equals sign", "X=TimeOut=4\r\nIP==1=2\r\n", "", "=1=2"},
      {"blanks in the value kept", "TimeOut= 10 \r\n", " 10 ", ""},
      {"line feeds", "IP=1\nTimeOut=2\n", "2", "1"},
      {"carriage returns", "IP=1\rTimeOut=2\r", "2", "1"},
      {"mixed line ends and empty lines", "IP=1\n\r\r\n\nTimeOut=2", "2", "1"},
      {"a last line without line end", "IP=1\r\nTimeOut=2", "2", "1"},
      {"a NUL ends the content", "IP=1\r\nTime\0Out=2\r\nTimeOut=3\r\n"s, "", "1"},
      {"a NUL ends a value", "IP=1.2\0.3.4\r\n"s, "", "1.2"},
      {"a NUL first", "\0IP=1\r\n"s, "", ""},
      {"a byte-order mark first", "\xEF\xBB\xBFIP=1\r\n", "", "1"},
      {"a byte-order mark later is a key's", "TimeOut=2\r\n\xEF\xBB\xBFIP=1\r\n", "2", ""},
      {"bytes that begin like a mark", "\xEF\xBBIP=1\r\nTimeOut=2", "2", ""},
      {"a character of no weight", "I" + kWeightless + "P=1\r\n", "", "1"},
      {"as many characters as the longest key", "I" + Repeated(kWeightless, 12) + "P=1", "", "1"},
      {"more characters than the longest key", "I" + Repeated(kWeightless, 13) + "P=1", "", ""},
      {"a key too long, then a key", std::string(57, 'k') + "=1\r\nIP=2\r\n", "", "2"},
      {"as many bytes as the longest key may take",
       kBoldI + Repeated(kWeightless4, 12) + kBoldP + "=1", "", "1"},
  };
  for (const Case& c : cases) {
    for (const std::size_t block : {1U, 2U, 3U, 7U, 4096U}) {
      SCOPED_TRACE(std::string(c.name) + ", blocks of " + std::to_string(block));
      const SettingsReader reader = Read(c.content, block);
      EXPECT_EQ(reader.Value(SettingsKey::TimeOut), c.timeOut);
      EXPECT_EQ(reader.Value(SettingsKey::IP), c.ip);
    }
  }
}

TEST(SettingsReader, AWrittenFileReadsBackWithEveryKeyInOrder) {
  std::string content;
  for (std::size_t k = 0; k < settings::kSettingsKeyCount; ++k) {
    content += std::string(settings::kSettingsKeyNames[k]) + "=" + std::to_string(k) + "\r\n";
  }
  const SettingsReader reader = Read(content, 5);
  for (std::size_t k = 0; k < settings::kSettingsKeyCount; ++k) {
    EXPECT_EQ(reader.Value(static_cast<SettingsKey>(k)), std::to_string(k));
  }
}

TEST(SettingsReader, ReadingEndsOnceEveryKeyHasItsLineOrANulByteCame) {
  std::string whole;
  for (const std::string_view key : settings::kSettingsKeyNames) {
    whole += std::string(key) + "=1\r\n";
  }
  const std::string rest(100000, 'x');
  std::size_t taken = 0;
  Read(whole + rest, 10, &taken);
  // The last key's line is taken up to its line end; the rest of the file is never asked for.
  EXPECT_EQ(taken, (whole.size() - 1) / 10 + 1);
  Read("IP=1\r\n\0"s + rest, 10, &taken);
  EXPECT_EQ(taken, 1u);
  // A value still being read is read to its end.
  SettingsReader reader(FullWidthLocale);
  EXPECT_TRUE(reader.Take(whole.substr(0, whole.size() - 3)));  // up to "StayOnTop="
  EXPECT_TRUE(reader.Take("2"));
  EXPECT_FALSE(reader.Take("3\r\n"));
  EXPECT_EQ(reader.Value(SettingsKey::StayOnTop), "23");
}

TEST(SettingsReader, WhatIsKeptStaysBoundedHoweverLongTheLines) {
  const std::string longKey(SettingsReader::kLongestKey + 1, 'k');
  const std::string spaces(3000000, ' ');
  const std::string content = longKey + "=1\r\n" + "TimeOut=" + spaces + "42\r\n" +
                              "IP=" + std::string(2000000, '7') + "\r\nPingTime=" + spaces;
  const SettingsReader reader = Read(content, 65536);
  EXPECT_EQ(reader.Value(SettingsKey::TimeOut), std::string(16, ' ') + "42");
  EXPECT_EQ(reader.Value(SettingsKey::IP), std::string(64, '7') + "Z");
  EXPECT_EQ(reader.Value(SettingsKey::PingTime), std::string(16, ' '));
}

}  // namespace
