// The settings window: its fields and their checks, the apply step, and the settings file.
#include "ui/Config.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Harness.h"
#include "ui/Main.h"

namespace {

const char* const kFile = "Vorlix.ini";
const char* const kForm = "TForm_Config";

// Client positions of the fields, as a user would click them.
struct At {
  int x, y;
};
constexpr At kIP0{10, 20}, kIP1{50, 20}, kIP2{90, 20}, kIP3{130, 20}, kTimeOut{190, 20},
    kPingBox{20, 50}, kMinutes{20, 75}, kTopBox{120, 55}, kOK{110, 80};

std::string Lines(const std::vector<std::string>& lines) {
  std::string content;
  for (const std::string& line : lines) {
    content += line + "\r\n";
  }
  return content;
}

// Starts both windows over a settings file with the given content.
void StartWith(headless::Harness& run, const std::string& content) {
  run.backend.MemoryFiles().Files[kFile] = content;
  run.app->CreateForm(Form_Main);
  run.app->CreateForm(Form_Config);
}

const std::string kSaved =
    Lines({"MainFormPosX=10", "MainFormPosY=20", "ConfigFormPosX=30", "ConfigFormPosY=40",
           "IP=198.18.0.20", "TimeOut=800", "AutoPing=1", "PingTime=5", "StayOnTop=0"});

class ConfigTest : public ::testing::Test {
 protected:
  void Start(const std::string* content) {
    if (content != nullptr) {
      files().Files[kFile] = *content;
    }
    h.app->CreateForm(Form_Main);
    h.app->CreateForm(Form_Config);
  }
  void Start(const std::string& content) { Start(&content); }
  void TearDown() override { h.app->DestroyForms(); }

  headless::HeadlessFiles& files() { return h.backend.MemoryFiles(); }
  std::string Field(At at) const { return h.backend.LiveControlAt(kForm, at.x, at.y)->Text; }
  void Type(At at, const std::string& text) {
    h.backend.TypeAt(kForm, at.x, at.y, text);
    h.app->ProcessMessages();
  }
  void Focus(At at) {
    h.backend.FocusAt(kForm, at.x, at.y);
    h.app->ProcessMessages();
  }
  void Click(At at) {
    h.backend.ClickAt(kForm, at.x, at.y);
    h.app->ProcessMessages();
  }
  void ClickPanel() {
    h.backend.ClickAt("TForm_Main", 10, 10);
    h.app->ProcessMessages();
  }

  headless::Harness h;
};

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

// What a load leaves in the fields and whether it reached the apply step.
struct LoadCase {
  const char* name;
  std::string content;
  const char* ip[4];
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
      {"empty file", "", {"1", "1", "1", "1"}, "5000", true, "1", true, false, 0},
      {"lower-case keys",
       "mainformposx=10\nmainformposy=20\nconfigformposx=1\nconfigformposy=2\nip=10.0.0.1\n"
       "timeout=800\nautoping=0\npingtime=7\nstayontop=0\n",
       {"10", "0", "0", "1"},
       "800",
       false,
       "7",
       false,
       true,
       10},
      {"duplicates: the first counts",
       base + "IP=10.0.0.1\r\nTimeOut=700\r\nTimeOut=900\r\nAutoPing=1\r\nPingTime=2\r\n"
              "StayOnTop=1\r\nIP=9.9.9.9\r\n",
       {"10", "0", "0", "1"},
       "700",
       true,
       "2",
       true,
       true,
       10},
      {"no TimeOut line gives 0",
       base + "IP=10.0.0.1\r\nAutoPing=1\r\nPingTime=2\r\nStayOnTop=1\r\n",
       {"10", "0", "0", "1"},
       "0",
       true,
       "2",
       true,
       true,
       10},
      {"no AutoPing line stops the load",
       base + "IP=10.0.0.1\r\nTimeOut=700\r\nPingTime=2\r\nStayOnTop=0\r\n",
       {"10", "0", "0", "1"},
       "700",
       true,
       "1",
       true,
       false,
       10},
      {"IP=10.0.0 stops at IP",
       base + "IP=10.0.0\r\nTimeOut=700\r\n",
       {"1", "1", "1", "1"},
       "5000",
       true,
       "1",
       true,
       false,
       10},
      {"IP=300.1.2.3",
       base + "IP=300.1.2.3\r\nTimeOut=1\r\nAutoPing=1\r\nPingTime=1\r\n"
              "StayOnTop=1\r\n",
       {"255", "1", "2", "3"},
       "1",
       true,
       "1",
       true,
       true,
       10},
      {"AutoPing=2 checks",
       base + "IP=1.2.3.4\r\nTimeOut=1\r\nAutoPing=2\r\nPingTime=1\r\n"
              "StayOnTop=-1\r\n",
       {"1", "2", "3", "4"},
       "1",
       true,
       "1",
       true,
       true,
       10},
      {"AutoPing=256 leaves it unchecked",
       base + "IP=1.2.3.4\r\nTimeOut=1\r\nAutoPing=256\r\nPingTime=1\r\nStayOnTop=256\r\n",
       {"1", "2", "3", "4"},
       "1",
       false,
       "1",
       false,
       true,
       10},
      {"AutoPing=yes stops the load",
       base + "IP=1.2.3.4\r\nTimeOut=1\r\nAutoPing=yes\r\nPingTime=9\r\nStayOnTop=0\r\n",
       {"1", "2", "3", "4"},
       "1",
       true,
       "1",
       true,
       false,
       10},
      {"out of range values are brought in",
       base + "IP=1.2.3.4\r\nTimeOut=99999\r\nAutoPing=1\r\nPingTime=0\r\nStayOnTop=1\r\n",
       {"1", "2", "3", "4"},
       "9999",
       true,
       "1",
       true,
       true,
       10},
      {"PingTime=100 gives 99",
       base + "IP=1.2.3.4\r\nTimeOut=x\r\nAutoPing=1\r\nPingTime=100\r\nStayOnTop=1\r\n",
       {"1", "2", "3", "4"},
       "0",
       true,
       "99",
       true,
       true,
       10},
      {"a blank before the key does not match",
       " MainFormPosX=10\r\nMainFormPosX= 15\r\n",
       {"1", "1", "1", "1"},
       "5000",
       true,
       "1",
       true,
       false,
       15},
      {"a blank after the key's = reads",
       "MainFormPosX= 15\r\nMainFormPosY=x\r\n",
       {"1", "1", "1", "1"},
       "5000",
       true,
       "1",
       true,
       false,
       15},
      {"a trailing blank stops at once",
       "MainFormPosX=10 \r\nMainFormPosY=20\r\n",
       {"1", "1", "1", "1"},
       "5000",
       true,
       "1",
       true,
       false,
       0},
      {"line feeds only",
       "MainFormPosX=10\nMainFormPosY=20\nConfigFormPosX=1\nConfigFormPosY=2\nIP=1.2.3.4\n"
       "TimeOut=1\nAutoPing=0\nPingTime=3\nStayOnTop=0\n",
       {"1", "2", "3", "4"},
       "1",
       false,
       "3",
       false,
       true,
       10},
      {"carriage returns only",
       "MainFormPosX=10\rMainFormPosY=20\rConfigFormPosX=1\rConfigFormPosY=2\rIP=1.2.3.4\r"
       "TimeOut=1\rAutoPing=0\rPingTime=3\rStayOnTop=0",
       {"1", "2", "3", "4"},
       "1",
       false,
       "3",
       false,
       true,
       10},
      {"a NUL ends the content",
       "MainFormPosX=10\r\nMainFormPosY=20\r\nConfigFormPosX=1\r\nConfigFormPosY=2\r\n"
       "IP=1.2.3.4\r\n" +
           std::string(1, '\0') + "TimeOut=1\r\nAutoPing=1\r\n",
       {"1", "2", "3", "4"},
       "0",
       true,
       "1",
       true,
       false,
       10},
      {"a settings-window position must be a number",
       "MainFormPosX=10\r\nMainFormPosY=20\r\nConfigFormPosX=left\r\nIP=1.2.3.4\r\n",
       {"1", "1", "1", "1"},
       "5000",
       true,
       "1",
       true,
       false,
       10},
  };
  for (const LoadCase& c : cases) {
    SCOPED_TRACE(c.name);
    headless::Harness run;
    StartWith(run, c.content);
    const fw::TEdit* octets[4] = {Form_Config->Edit_IP0, Form_Config->Edit_IP1,
                                  Form_Config->Edit_IP2, Form_Config->Edit_IP3};
    for (int i = 0; i < 4; ++i) {
      EXPECT_EQ(octets[i]->Text(), c.ip[i]) << "octet " << i;
    }
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

TEST_F(ConfigTest, LeavingAFieldRewritesItWithinItsRange) {
  struct Case {
    At field;
    const char* typed;
    const char* shown;
  };
  const Case cases[] = {
      {kIP0, "300", "255"},   {kIP1, "-5", "0"},
      {kIP2, "abc", "0"},     {kIP3, "", "0"},
      {kIP0, "007", "7"},     {kIP1, " 42", "42"},
      {kIP2, "$FF", "255"},   {kTimeOut, "0", "0"},
      {kTimeOut, "", "0"},    {kTimeOut, "12345", "1234"},
      {kMinutes, "0", "1"},   {kMinutes, "", "1"},
      {kMinutes, "99", "99"}, {kMinutes, "x", "1"},
  };
  Start(kSaved);
  Form_Config->Show();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    Type(c.field, c.typed);
    Focus(kTopBox);
    EXPECT_EQ(Field(c.field), c.shown);
  }
}

TEST_F(ConfigTest, TheValidatorsBringLoadedTextsIntoRange) {
  Start(kSaved);
  Form_Config->Edit_TimeOut->SetText("12345");  // longer than the field takes from the user
  Form_Config->Edit_TimeOutExit(Form_Config->Edit_TimeOut);
  EXPECT_EQ(Form_Config->Edit_TimeOut->Text(), "9999");
}

TEST_F(ConfigTest, TabMovesThroughTheFieldsInOrder) {
  Start(kSaved);
  Form_Config->Show();
  Focus(kIP0);
  std::vector<fw::TBounds> visited;
  for (int i = 0; i < 9; ++i) {
    h.backend.PressTab(kForm);
    h.app->ProcessMessages();
    visited.push_back(h.backend.Focused()->Params.Bounds);
  }
  const std::vector<std::pair<int, int>> expected = {
      {48, 16}, {88, 16}, {128, 16}, {184, 16}, {16, 48}, {16, 70}, {112, 52}, {104, 76}, {8, 16}};
  ASSERT_EQ(visited.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(visited[i].Left, expected[i].first) << i;
    EXPECT_EQ(visited[i].Top, expected[i].second) << i;
  }
  const auto* ip0 = h.backend.LiveControlAt(kForm, kIP0.x, kIP0.y);
  EXPECT_EQ(ip0->Params.ImeMode, fw::TImeMode::Close);
  EXPECT_EQ(h.backend.LiveControlAt(kForm, kIP1.x, kIP1.y)->Params.ImeMode, fw::TImeMode::DontCare);
}

TEST_F(ConfigTest, LosingActivationIsNoFocusLeave) {
  Start(kSaved);
  Form_Config->Show();
  Type(kIP0, "999");
  h.backend.Deactivate(kForm);
  h.app->ProcessMessages();
  EXPECT_EQ(Field(kIP0), "999");
}

TEST_F(ConfigTest, HidingAppliesEveryValueAndSaves) {
  Start(kSaved);
  ClickPanel();
  ASSERT_TRUE(Form_Config->Visible());
  Type(kIP0, "10");
  Type(kIP1, "0");
  Type(kIP2, "0");
  Type(kIP3, "1");
  Type(kTimeOut, "800");
  Type(kMinutes, "5");
  Focus(kTopBox);  // left unchecked, as loaded
  Click(kOK);
  EXPECT_FALSE(Form_Config->Visible());
  EXPECT_EQ(Form_Main->Caption(), "IP: 10.0.0.1");
  EXPECT_EQ(Form_Main->KvICMP->Address, "10.0.0.1");
  EXPECT_EQ(Form_Main->KvICMP->Timeout, 800);
  EXPECT_TRUE(Form_Main->KvICMP->Cancel);
  EXPECT_TRUE(Form_Main->AutoPing);
  EXPECT_EQ(Form_Main->PingInterval, 300000u);
  EXPECT_EQ(Form_Main->FormStyle(), fw::TFormStyle::Normal);
  const std::string& saved = files().Files[kFile];
  EXPECT_NE(saved.find("IP=10.0.0.1\r\nTimeOut=800\r\nAutoPing=1\r\nPingTime=5\r\nStayOnTop=0\r\n"),
            std::string::npos)
      << saved;
}

TEST_F(ConfigTest, OkAfterTypingAbcGivesTheFallbackWithoutAMessage) {
  Start(kSaved);
  ClickPanel();
  Type(kTimeOut, "abc");
  Click(kOK);
  EXPECT_FALSE(Form_Config->Visible());
  EXPECT_TRUE(h.backend.ErrorBoxes().empty());
  EXPECT_EQ(Form_Main->KvICMP->Timeout, 0);
}

TEST_F(ConfigTest, HidingWithAFieldThatHoldsNoNumberShowsTheErrorAndKeepsTheFile) {
  struct Case {
    At field;
    const char* typed;
    const char* box;
    const char* caption;
    std::int32_t timeout;
    std::uint32_t interval;
    fw::TFormStyle style;
  };
  const Case cases[] = {
      {kIP2, "abc", "Vorlix: 'abc' は整数ではありません.", "IP: 198.18.0.20", 800, 300000,
       fw::TFormStyle::Normal},
      {kTimeOut, "1x", "Vorlix: '1x' は整数ではありません.", "IP: 198.18.0.21", 800, 300000,
       fw::TFormStyle::Normal},
      {kMinutes, "", "Vorlix: '' は整数ではありません.", "IP: 198.18.0.21", 700, 300000,
       fw::TFormStyle::Normal},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    headless::Harness run;
    StartWith(run, kSaved);
    run.backend.ClickAt("TForm_Main", 10, 10);
    run.backend.TypeAt(kForm, kIP3.x, kIP3.y, "21");
    run.backend.TypeAt(kForm, kTimeOut.x, kTimeOut.y, "700");
    run.backend.ClickAt(kForm, kTopBox.x, kTopBox.y);  // checks stay-on-top
    run.backend.TypeAt(kForm, c.field.x, c.field.y, c.typed);
    run.backend.ClickAt("TForm_Main", 10, 10);  // hides with the caret still in the field
    run.app->ProcessMessages();
    EXPECT_FALSE(Form_Config->Visible());
    ASSERT_EQ(run.backend.ErrorBoxes().size(), 1u);
    EXPECT_EQ(run.backend.ErrorBoxes()[0], c.box);
    EXPECT_EQ(Form_Main->Caption(), c.caption);
    EXPECT_EQ(Form_Main->KvICMP->Timeout, c.timeout);
    EXPECT_EQ(Form_Main->PingInterval, c.interval);
    EXPECT_EQ(Form_Main->FormStyle(), c.style);
    EXPECT_EQ(run.backend.MemoryFiles().Files[kFile], kSaved);
    run.app->DestroyForms();
  }
}

TEST_F(ConfigTest, ACloseRequestHidesAppliesAndSaves) {
  Start(kSaved);
  Form_Config->Show();
  Type(kMinutes, "9");
  h.backend.CloseRequest(kForm);
  h.app->ProcessMessages();
  EXPECT_FALSE(Form_Config->Visible());
  EXPECT_NE(files().Files[kFile].find("PingTime=9\r\n"), std::string::npos);
}

TEST_F(ConfigTest, TwoPanelClicksShowThenHideAndSave) {
  Start(kSaved);
  ClickPanel();
  EXPECT_TRUE(Form_Config->Visible());
  EXPECT_EQ(files().Writes, 0);
  ClickPanel();
  EXPECT_FALSE(Form_Config->Visible());
  EXPECT_EQ(files().Writes, 1);
}

TEST_F(ConfigTest, ShutdownSavesOnlyWhenTheWindowIsShown) {
  Start(kSaved);
  h.app->DestroyForms();
  EXPECT_EQ(files().Writes, 0);

  headless::Harness run;
  StartWith(run, kSaved);
  Form_Config->Show();
  run.backend.TypeAt(kForm, kMinutes.x, kMinutes.y, "42");
  run.app->ProcessMessages();
  run.app->DestroyForms();
  EXPECT_EQ(run.backend.MemoryFiles().Writes, 1);
  EXPECT_NE(run.backend.MemoryFiles().Files[kFile].find("PingTime=42\r\n"), std::string::npos);
}

TEST_F(ConfigTest, ASaveThatCannotWriteLeavesTheOldFileAndSaysSo) {
  Start(kSaved);
  files().ReadOnlyFolder = true;
  EXPECT_TRUE(Form_Config->SaveSettings());
  files().ReadOnlyFolder = false;
  files().Directories.insert(kFile);
  EXPECT_TRUE(Form_Config->SaveSettings());
  EXPECT_EQ(files().Files[kFile], kSaved);
  files().Directories.clear();
  EXPECT_FALSE(Form_Config->SaveSettings());
}

TEST_F(ConfigTest, AFolderWhereNothingCanBeWrittenStillStarts) {
  files().ReadOnlyFolder = true;
  Start(nullptr);
  EXPECT_EQ(Form_Main->Left(), 0);
  EXPECT_EQ(Form_Main->Caption(), "");
  EXPECT_EQ(Form_Config->Edit_IP0->Text(), "1");
  EXPECT_TRUE(files().Files.empty());
}

TEST_F(ConfigTest, ASaveWritesExactlyTheNineLinesAndDropsOthers) {
  Start(kSaved + "Comment=kept?\r\n");
  Form_Config->Show();
  Form_Config->Hide();
  const std::string saved = files().Files[kFile];
  EXPECT_EQ(saved.find("Comment"), std::string::npos);
  EXPECT_EQ(std::count(saved.begin(), saved.end(), '\n'), 9);
}

}  // namespace
