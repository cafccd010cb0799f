// The settings window's apply step and saving the settings file when it is hidden.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "ConfigTest.h"

namespace {

using namespace configtest;

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
  };
  const Case cases[] = {
      {kIP2, "abc", "Vorlix: 'abc' は整数ではありません.", "IP: 198.18.0.20", 800},
      {kTimeOut, "1x", "Vorlix: '1x' は整数ではありません.", "IP: 198.18.0.21", 800},
      {kMinutes, "", "Vorlix: '' は整数ではありません.", "IP: 198.18.0.21", 700},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    headless::Harness run;
    StartWith(run, kSaved);
    run.backend.ClickAt("TForm_Main", 10, 10);
    run.backend.TypeAt(kForm, kIP3.x, kIP3.y, "21");
    run.backend.TypeAt(kForm, kTimeOut.x, kTimeOut.y, "700");
    run.backend.ClickAt(kForm, kTopBox.x, kTopBox.y);  // checks stay-on-top
    // A new interval too, so that an apply step going on past the failure would show.
    run.backend.TypeAt(kForm, kMinutes.x, kMinutes.y, "7");
    run.backend.TypeAt(kForm, c.field.x, c.field.y, c.typed);
    run.backend.ClickAt("TForm_Main", 10, 10);  // hides with the caret still in the field
    run.app->ProcessMessages();
    EXPECT_FALSE(Form_Config->Visible());
    ASSERT_EQ(run.backend.ErrorBoxes().size(), 1u);
    EXPECT_EQ(run.backend.ErrorBoxes()[0], c.box);
    EXPECT_EQ(Form_Main->Caption(), c.caption);
    EXPECT_EQ(Form_Main->KvICMP->Timeout, c.timeout);
    EXPECT_EQ(Form_Main->PingInterval, 300000u) << "the interval and the style stay as loaded";
    EXPECT_EQ(Form_Main->FormStyle(), fw::TFormStyle::Normal);
    EXPECT_EQ(run.backend.MemoryFiles().Files[kFile], kSaved);
    run.app->DestroyForms();
  }
}

TEST_F(ConfigTest, OfSeveralOctetsThatAreNoNumberTheMessageQuotesTheLastOnScreen) {
  Start(kSaved);
  ClickPanel();
  // Put in without leaving the fields, so that no exit handler rewrites them.
  Form_Config->Edit_IP0->SetText("ab");
  Form_Config->Edit_IP1->SetText("cd");
  Form_Config->Edit_IP3->SetText("ef");
  ClickPanel();
  ASSERT_EQ(h.backend.ErrorBoxes().size(), 1u);
  // The octets are converted from the fourth to the first.
  EXPECT_EQ(h.backend.ErrorBoxes()[0], "Vorlix: 'ef' は整数ではありません.");
  EXPECT_EQ(Form_Main->Caption(), "IP: 198.18.0.20") << "nothing is applied";
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

TEST_F(ConfigTest, TheSettingsKeysDoWhatAPanelClickDoesAndLeaveTheFocus) {
  Start(kSaved);
  const headless::ControlRecord* focused = h.backend.Focused();
  h.backend.PressShortCut("TForm_Main", fw::TShortCut::Properties);
  h.app->ProcessMessages();
  EXPECT_TRUE(Form_Config->Visible());
  EXPECT_EQ(files().Writes, 0);
  Type(kMinutes, "7");
  h.backend.PressShortCut("TForm_Main", fw::TShortCut::Properties);
  h.app->ProcessMessages();
  EXPECT_FALSE(Form_Config->Visible());
  EXPECT_EQ(files().Writes, 1);
  EXPECT_EQ(Form_Main->PingInterval, 420000u);
  EXPECT_EQ(h.backend.Focused(), focused);
  EXPECT_FALSE(h.backend.LiveControlAt("TForm_Main", 10, 10)->Params.TabStop);
}

// The panel's tooltip is the status window's caption, from start-up on, through a rebuild of
// the window (stay-on-top switched) and an apply step that fails.
TEST_F(ConfigTest, ThePanelsTooltipFollowsTheCaption) {
  struct Case {
    At field;
    const char* typed;
    const char* hint;
  };
  const Case cases[] = {
      {kIP3, "200", "IP: 198.18.0.200"},
      {kIP0, "192", "IP: 192.18.0.200"},
      {kIP1, "zz", "IP: 192.18.0.200"},  // no number: nothing applied, the error box instead
  };
  Start(kSaved);
  const auto hint = [this] { return h.backend.LiveControlAt("TForm_Main", 10, 10)->Hint; };
  EXPECT_EQ(hint(), "IP: 198.18.0.20");
  for (const Case& c : cases) {
    ClickPanel();
    Click(kTopBox);  // switched each time, so the status window is rebuilt
    Type(c.field, c.typed);
    ClickPanel();  // with the caret still in the field, its text reaches the apply step as typed
    EXPECT_EQ(hint(), c.hint) << c.typed;
    EXPECT_EQ(hint(), Form_Main->Caption());
  }
  EXPECT_GE(h.backend.FormsCreated("TForm_Main"), 2);
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

TEST_F(ConfigTest, ASaveWritesExactlyTheNineLinesAndDropsOthers) {
  Start(kSaved + "Comment=kept?\r\n");
  Form_Config->Show();
  Form_Config->Hide();
  const std::string saved = files().Files[kFile];
  EXPECT_EQ(saved.find("Comment"), std::string::npos);
  EXPECT_EQ(std::count(saved.begin(), saved.end(), '\n'), 9);
}

}  // namespace
