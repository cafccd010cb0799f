// The settings window at start: the first run, loading the settings file and its edge cases.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "ConfigTest.h"

namespace {

using namespace configtest;

TEST_F(ConfigTest, FirstStartWritesTheDefaultsAndShowsTheStatusWindowAtTheCorner) {
  Start(nullptr);
  EXPECT_EQ(files().Files[kFile],
            "MainFormPosX=-255\r\nMainFormPosY=-255\r\nConfigFormPosX=201\r\n"
            "ConfigFormPosY=107\r\nIP=1.1.1.1\r\nTimeOut=5000\r\nAutoPing=1\r\nPingTime=1\r\n"
            "StayOnTop=1\r\n");
  EXPECT_EQ(Form_Main->Left(), 0);
  EXPECT_EQ(Form_Main->Top(), 0);
  EXPECT_EQ(Form_Main->Caption(), "IP: 1.1.1.1");
  EXPECT_EQ(Form_Main->KvICMP->Address, "1.1.1.1");
  EXPECT_TRUE(Form_Main->AutoPing);
  EXPECT_EQ(Form_Main->PingInterval, 60000u);
  EXPECT_EQ(Form_Main->FormStyle(), fw::TFormStyle::StayOnTop);
  EXPECT_FALSE(Form_Config->Visible());
  EXPECT_EQ(files().Writes, 1);
}

TEST_F(ConfigTest, LoadingAppliesTheStoredSettings) {
  Start(kSaved);
  EXPECT_EQ(Form_Main->Left(), 10);
  EXPECT_EQ(Form_Main->Top(), 20);
  EXPECT_EQ(Form_Config->Left(), 30);
  EXPECT_EQ(Form_Main->Caption(), "IP: 198.18.0.20");
  EXPECT_EQ(Form_Main->KvICMP->Address, "198.18.0.20");
  EXPECT_EQ(Form_Main->KvICMP->Timeout, 800);
  EXPECT_TRUE(Form_Main->AutoPing);
  EXPECT_EQ(Form_Main->PingInterval, 300000u);
  EXPECT_EQ(Form_Main->FormStyle(), fw::TFormStyle::Normal);
  EXPECT_EQ(files().Writes, 0) << "an existing file is not rewritten at start";
}

TEST_F(ConfigTest, KeysBeyondAsciiAreFoundByTheBackEndsRuleForLetterCase) {
  // In place of a locale: a full-width M is the letter M.
  const std::string wideM = "\xef\xbc\xad";
  std::vector<std::string> asked;
  h.locale.CaseKeyRule = [&](const std::string& text) {
    asked.push_back(text);
    std::string key = text.rfind(wideM, 0) == 0 ? "M" + text.substr(wideM.size()) : text;
    std::transform(key.begin(), key.end(), key.begin(), [](char c) {
      return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
    });
    return key;
  };
  Start(Lines({wideM + "ainFormPosX=10", wideM + "ainFormPosY=5", "MainFormPosX=12",
               "mainformposy=20", "configformposx=1"}));
  EXPECT_EQ(Form_Main->Left(), 10);
  EXPECT_EQ(Form_Main->Top(), 5);
  EXPECT_EQ(Form_Main->Caption(), "") << "the load stops at the missing ConfigFormPosY";
  // Each key beyond ASCII is folded once, beside the nine keys once; ASCII line keys never are.
  EXPECT_EQ(std::count(asked.begin(), asked.end(), wideM + "ainFormPosX"), 1);
  EXPECT_EQ(asked.size(), 2u + 9u);
  EXPECT_EQ(std::count(asked.begin(), asked.end(), "mainformposy"), 0);
}

// What a load leaves in the fields and whether it reached the apply step.
struct LoadCase {
  const char* name;
  std::string content;
  const char* ip;  // the four octets' fields, joined by dots
  const char* timeout;
  bool pingBox;
  const char* minutes;
  bool topBox;
  bool applied;
  int mainLeft;
};

TEST_F(ConfigTest, LoadEdgeCases) {
  const std::string base =
      "MainFormPosX=10\r\nMainFormPosY=20\r\nConfigFormPosX=1\r\n"
      "ConfigFormPosY=2\r\n";
  const LoadCase cases[] = {
      {"empty file", "", "1.1.1.1", "5000", true, "1", true, false, 0},
      {"lower-case keys",
       "mainformposx=10\nmainformposy=20\nconfigformposx=1\nconfigformposy=2\nip=10.0.0.1\n"
       "timeout=800\nautoping=0\npingtime=7\nstayontop=0\n",
       "10.0.0.1", "800", false, "7", false, true, 10},
      {"duplicates: the first counts",
       base + "IP=10.0.0.1\r\nTimeOut=700\r\nTimeOut=900\r\nAutoPing=1\r\nPingTime=2\r\n"
              "StayOnTop=1\r\nIP=9.9.9.9\r\n",
       "10.0.0.1", "700", true, "2", true, true, 10},
      {"no TimeOut line gives 0",
       base + "IP=10.0.0.1\r\nAutoPing=1\r\nPingTime=2\r\nStayOnTop=1\r\n", "10.0.0.1", "0", true,
       "2", true, true, 10},
      {"no AutoPing line stops the load",
       base + "IP=10.0.0.1\r\nTimeOut=700\r\nPingTime=2\r\nStayOnTop=0\r\n", "10.0.0.1", "700",
       true, "1", true, false, 10},
      {"IP=10.0.0 stops at IP", base + "IP=10.0.0\r\nTimeOut=700\r\n", "1.1.1.1", "5000", true, "1",
       true, false, 10},
      {"IP=300.1.2.3",
       base + "IP=300.1.2.3\r\nTimeOut=1\r\nAutoPing=1\r\nPingTime=1\r\n"
              "StayOnTop=1\r\n",
       "255.1.2.3", "1", true, "1", true, true, 10},
      {"AutoPing=2 checks",
       base + "IP=1.2.3.4\r\nTimeOut=1\r\nAutoPing=2\r\nPingTime=1\r\n"
              "StayOnTop=-1\r\n",
       "1.2.3.4", "1", true, "1", true, true, 10},
      {"AutoPing=256 leaves it unchecked",
       base + "IP=1.2.3.4\r\nTimeOut=1\r\nAutoPing=256\r\nPingTime=1\r\nStayOnTop=256\r\n",
       "1.2.3.4", "1", false, "1", false, true, 10},
      {"AutoPing=yes stops the load",
       base + "IP=1.2.3.4\r\nTimeOut=1\r\nAutoPing=yes\r\nPingTime=9\r\nStayOnTop=0\r\n", "1.2.3.4",
       "1", true, "1", true, false, 10},
      {"out of range values are brought in",
       base + "IP=1.2.3.4\r\nTimeOut=99999\r\nAutoPing=1\r\nPingTime=0\r\nStayOnTop=1\r\n",
       "1.2.3.4", "9999", true, "1", true, true, 10},
      {"PingTime=100 gives 99",
       base + "IP=1.2.3.4\r\nTimeOut=x\r\nAutoPing=1\r\nPingTime=100\r\nStayOnTop=1\r\n", "1.2.3.4",
       "0", true, "99", true, true, 10},
      {"a blank before the key does not match", " MainFormPosX=10\r\nMainFormPosX= 15\r\n",
       "1.1.1.1", "5000", true, "1", true, false, 15},
      {"a blank after the key's = reads", "MainFormPosX= 15\r\nMainFormPosY=x\r\n", "1.1.1.1",
       "5000", true, "1", true, false, 15},
      {"a trailing blank stops at once", "MainFormPosX=10 \r\nMainFormPosY=20\r\n", "1.1.1.1",
       "5000", true, "1", true, false, 0},
      {"line feeds only",
       "MainFormPosX=10\nMainFormPosY=20\nConfigFormPosX=1\nConfigFormPosY=2\nIP=1.2.3.4\n"
       "TimeOut=1\nAutoPing=0\nPingTime=3\nStayOnTop=0\n",
       "1.2.3.4", "1", false, "3", false, true, 10},
      {"a byte-order mark first, as Notepad may write",
       "\xEF\xBB\xBFMainFormPosX=10\r\nMainFormPosY=20\r\nConfigFormPosX=1\r\nConfigFormPosY=2\r\n"
       "IP=1.2.3.4\r\nTimeOut=1\r\nAutoPing=0\r\nPingTime=3\r\nStayOnTop=0\r\n",
       "1.2.3.4", "1", false, "3", false, true, 10},
      {"carriage returns only",
       "MainFormPosX=10\rMainFormPosY=20\rConfigFormPosX=1\rConfigFormPosY=2\rIP=1.2.3.4\r"
       "TimeOut=1\rAutoPing=0\rPingTime=3\rStayOnTop=0",
       "1.2.3.4", "1", false, "3", false, true, 10},
      {"a NUL ends the content",
       "MainFormPosX=10\r\nMainFormPosY=20\r\nConfigFormPosX=1\r\nConfigFormPosY=2\r\n"
       "IP=1.2.3.4\r\n" +
           std::string(1, '\0') + "TimeOut=1\r\nAutoPing=1\r\n",
       "1.2.3.4", "0", true, "1", true, false, 10},
      {"a settings-window position must be a number",
       "MainFormPosX=10\r\nMainFormPosY=20\r\nConfigFormPosX=left\r\nIP=1.2.3.4\r\n", "1.1.1.1",
       "5000", true, "1", true, false, 10},
  };
  for (const LoadCase& c : cases) {
    SCOPED_TRACE(c.name);
    headless::Harness run;
    StartWith(run, c.content);
    EXPECT_EQ(Form_Config->Edit_IP0->Text() + "." + Form_Config->Edit_IP1->Text() + "." +
                  Form_Config->Edit_IP2->Text() + "." + Form_Config->Edit_IP3->Text(),
              c.ip);
    EXPECT_EQ(Form_Config->Edit_TimeOut->Text(), c.timeout);
    EXPECT_EQ(Form_Config->CheckBox_PingTime->Checked(), c.pingBox);
    EXPECT_EQ(Form_Config->Edit_PingTime->Text(), c.minutes);
    EXPECT_EQ(Form_Config->CheckBox_StayOnTop->Checked(), c.topBox);
    EXPECT_EQ(!Form_Main->Caption().empty(), c.applied);
    EXPECT_EQ(Form_Main->Left(), c.mainLeft);
    EXPECT_GE(Form_Main->Top(), 0);
    EXPECT_EQ(run.backend.MemoryFiles().Writes, 0);
    EXPECT_TRUE(run.backend.ErrorBoxes().empty());
    run.app->DestroyForms();
  }
}

TEST_F(ConfigTest, AFileWithAByteOrderMarkIsSavedWithoutOne) {
  Start("\xEF\xBB\xBF" + kSaved);
  ClickPanel();
  ClickPanel();
  EXPECT_EQ(files().Files[kFile].rfind("MainFormPosX=10\r\nMainFormPosY=20\r\n", 0), 0u);
}

TEST_F(ConfigTest, AFolderWhereNothingCanBeWrittenStillStarts) {
  files().ReadOnlyFolder = true;
  Start(nullptr);
  EXPECT_EQ(Form_Main->Left(), 0);
  EXPECT_EQ(Form_Main->Caption(), "");
  EXPECT_EQ(Form_Config->Edit_IP0->Text(), "1");
  EXPECT_TRUE(files().Files.empty());
}

}  // namespace
