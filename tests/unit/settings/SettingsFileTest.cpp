// The settings file's format: how far a load reads, and the nine lines a save writes.
#include "settings/SettingsFile.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace {

settings::LoadedSettings Load(const std::string& content) {
  settings::SettingsReader reader([](std::string_view text) { return std::string(text); });
  reader.Take(content);
  return settings::ReadSettings(reader);
}

const std::string kWhole =
    "MainFormPosX=-255\r\nMainFormPosY=-255\r\nConfigFormPosX=201\r\nConfigFormPosY=107\r\n"
    "IP=1.1.1.1\r\nTimeOut=5000\r\nAutoPing=1\r\nPingTime=1\r\nStayOnTop=0\r\n";

TEST(SettingsFile, ALoadReadsUpToTheFirstValueThatIsNoNumber) {
  struct Case {
    const char* name;
    std::string content;
    int read;
  };
  const Case cases[] = {
      {"a whole file", kWhole, 9},
      {"empty", "", 0},
      {"a position with a blank after it", "MainFormPosX=10 \r\n", 0},
      {"no ConfigFormPosY", "MainFormPosX=1\r\nMainFormPosY=2\r\nConfigFormPosX=3\r\n", 3},
      {"three parts of an address",
       "MainFormPosX=1\nMainFormPosY=2\nConfigFormPosX=3\nConfigFormPosY=4\nIP=10.0.0\n", 4},
      {"no AutoPing: the timeout does not stop it",
       "MainFormPosX=1\nMainFormPosY=2\nConfigFormPosX=3\nConfigFormPosY=4\nIP=1.2.3.4\n", 6},
      {"AutoPing=yes",
       "MainFormPosX=1\nMainFormPosY=2\nConfigFormPosX=3\nConfigFormPosY=4\nIP=1.2.3.4\n"
       "AutoPing=yes\n",
       6},
      {"no StayOnTop: the minutes do not stop it",
       "MainFormPosX=1\nMainFormPosY=2\nConfigFormPosX=3\nConfigFormPosY=4\nIP=1.2.3.4\n"
       "AutoPing=2\n",
       8},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Load(c.content).Read, c.read) << c.name;
  }
  const settings::LoadedSettings whole = Load(kWhole);
  EXPECT_EQ(whole.Record.MainFormPosX, -255);
  EXPECT_EQ(whole.Record.ConfigFormPosY, 107);
  EXPECT_EQ(whole.Record.Octets, (std::array<std::string, 4>{"1", "1", "1", "1"}));
  EXPECT_EQ(whole.Record.TimeOut, "5000");
  EXPECT_TRUE(whole.Record.AutoPing);
  EXPECT_FALSE(whole.Record.StayOnTop);
}

TEST(SettingsFile, ASaveWritesTheNineLinesAndTheFieldsByteForByte) {
  settings::SettingsRecord record = Load(kWhole).Record;
  EXPECT_EQ(settings::FormatSettings(record), kWhole);
  record.Octets = {"007", "-5", "\xe3\x81\x82", ""};
  record.TimeOut = " 12";
  record.StayOnTop = true;
  const std::string saved = settings::FormatSettings(record);
  EXPECT_NE(saved.find("\r\nIP=007.-5.\xe3\x81\x82.\r\nTimeOut= 12\r\n"), std::string::npos);
  EXPECT_NE(saved.find("\r\nStayOnTop=1\r\n"), std::string::npos);
}

}  // namespace
