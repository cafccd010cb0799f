// The settings window's fields: their checks when left, tab order and focus.
#include <gtest/gtest.h>

#include <vector>

#include "ConfigTest.h"

namespace {

using namespace configtest;

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

TEST_F(ConfigTest, EveryFieldHasANameToBeHeardBy) {
  struct Case {
    At field;
    const char* name;
  };
  // The fields are named by their group or frame and the text beside them; the check boxes by
  // their captions, which the platforms read as their names.
  const Case cases[] = {
      {kIP0, "IPアドレス 1"},
      {kIP1, "IPアドレス 2"},
      {kIP2, "IPアドレス 3"},
      {kIP3, "IPアドレス 4"},
      {kTimeOut, "タイムアウト ms"},
      {kMinutes, "定期実行 分ごと"},
      {kPingBox, ""},
      {kTopBox, ""},
      {kOK, ""},
  };
  Start(kSaved);
  Form_Config->Show();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(h.backend.LiveControlAt(kForm, c.field.x, c.field.y)->Params.AccessibleName, c.name);
  }
  EXPECT_EQ(Field(kPingBox), "定期実行");
  EXPECT_EQ(Field(kTopBox), "常に手前に表示");
}

TEST_F(ConfigTest, LosingActivationIsNoFocusLeave) {
  Start(kSaved);
  Form_Config->Show();
  Type(kIP0, "999");
  h.backend.Deactivate(kForm);
  h.app->ProcessMessages();
  EXPECT_EQ(Field(kIP0), "999");
}

}  // namespace
