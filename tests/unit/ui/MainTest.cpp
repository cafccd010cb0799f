// The status window: layout, the result bands, the blink, the periodic test and nested checks.
#include "ui/Main.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "Harness.h"
#include "base/Exception.h"

namespace {

using headless::HostScript;
using headless::ScriptedEchoService;

const std::uint32_t kHost = ScriptedEchoService::Address(198, 18, 0, 20);

// The window's colours as 24-bit values with red in the low byte, written out here rather than
// taken from the code under test.
constexpr fw::TColor kBlack = 0x000000;
constexpr fw::TColor kWhite = 0xFFFFFF;
constexpr fw::TColor kCyan = 0xFFFF00;
constexpr fw::TColor kLime = 0x00FF00;
constexpr fw::TColor kYellow = 0x00FFFF;
constexpr fw::TColor kRed = 0x0000FF;
constexpr fw::TColor kMagenta = 0xFF00FF;

class MainTest : public ::testing::Test {
 protected:
  void SetUp() override {
    h.app->CreateForm(Form_Main);
    Form_Main->KvICMP->Address = "198.18.0.20";
  }
  void TearDown() override { h.app->DestroyForms(); }

  void Answer(std::uint32_t delayMs) { h.echo.Hosts[kHost] = HostScript{delayMs, true, 0}; }
  void PressCheck() {
    h.backend.ClickAt("TForm_Main", 100, 10);
    h.app->ProcessMessages();
  }
  const headless::ControlRecord& Panel() const {
    return *h.backend.LiveControlAt("TForm_Main", 10, 10);
  }

  headless::Harness h;
};

TEST_F(MainTest, LayoutOfTheWindowAndItsControls) {
  const headless::FormRecord* form = h.backend.LiveForm("TForm_Main");
  ASSERT_NE(form, nullptr);
  EXPECT_EQ(form->Params.Client.Width, 129);
  EXPECT_EQ(form->Params.Client.Height, 25);
  EXPECT_EQ(form->Position.X, -255);
  EXPECT_EQ(form->Position.Y, -255);
  EXPECT_EQ(form->Params.BorderIcons, fw::TBorderIcons::Close);
  EXPECT_EQ(form->Params.Font.Face, "ＭＳ Ｐゴシック");
  EXPECT_EQ(form->Params.Font.Height, -12);
  EXPECT_EQ(form->Caption, "");

  const headless::ControlRecord& panel = Panel();
  EXPECT_EQ(panel.Params.Kind, fw::TControlKind::Panel);
  EXPECT_EQ(panel.Params.Bounds.Width, 79);
  EXPECT_EQ(panel.Params.Color, kBlack);
  EXPECT_EQ(panel.FontColor, kWhite);
  EXPECT_TRUE(panel.Params.Font.Bold);
  EXPECT_EQ(panel.Params.Font.Height, -16);
  EXPECT_EQ(panel.Params.Font.Charset, fw::SHIFTJIS_CHARSET);
  EXPECT_EQ(panel.Text, "");
  EXPECT_FALSE(panel.Params.TabStop);
  EXPECT_EQ(h.backend.LiveControlAt("TForm_Main", 79, 10), nullptr) << "the gap column";

  const headless::ControlRecord* button = h.backend.LiveControlAt("TForm_Main", 80, 0);
  ASSERT_NE(button, nullptr);
  EXPECT_EQ(button->Text, "Check");
  EXPECT_EQ(button->Params.Bounds.Width, 49);
  EXPECT_TRUE(button->Params.TabStop);

  EXPECT_EQ(Form_Main->KvICMP->NumberOfPings, 1);
  EXPECT_EQ(Form_Main->PingInterval, 0xFFFFFFFFu);
  EXPECT_FALSE(Form_Main->AutoPing);
  EXPECT_EQ(h.backend.LiveTimers(), 1u);
}

TEST(MainWindow, TheTimerResolutionIsRaisedToTheFinestPeriodForTheWindowsLife) {
  headless::Harness run;
  run.backend.SetMinPeriod(5);  // not the clock's default of 1, so the period is really read
  run.app->CreateForm(Form_Main);
  EXPECT_EQ(run.backend.TimerPeriod(), 5u);
  EXPECT_EQ(run.backend.TimerPeriodDepth(), 1);
  run.app->DestroyForms();
  EXPECT_EQ(run.backend.TimerPeriodDepth(), 0) << "the period ended is the one begun";
  EXPECT_EQ(run.backend.LiveTimers(), 0u);
}

TEST_F(MainTest, TheResultShowsTheMeasuredTimeInItsBand) {
  struct Case {
    std::uint32_t delay;
    std::int32_t timeout;
    const char* text;
    fw::TColor color;
  };
  const Case cases[] = {
      {0, 5000, "0ms", kCyan},       {23, 5000, "23ms", kCyan},
      {299, 5000, "299ms", kCyan},   {300, 5000, "300ms", kLime},
      {599, 5000, "599ms", kLime},   {600, 5000, "600ms", kYellow},
      {899, 5000, "899ms", kYellow}, {900, 5000, "900ms", kRed},
      {4999, 5000, "4999ms", kRed},  {5000, 5000, "TimeOut", kMagenta},
      {20, 0, "TimeOut", kMagenta},  {350, 350, "TimeOut", kMagenta},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    Answer(c.delay);
    Form_Main->KvICMP->Timeout = c.timeout;
    PressCheck();
    EXPECT_EQ(Panel().Text, c.text);
    EXPECT_EQ(Form_Main->ResultColor, c.color);
    EXPECT_EQ(Panel().FontColor, c.color) << "after the blink the text rests in the band colour";
  }
}

TEST_F(MainTest, EachResultIsAnnouncedOnceAsItShows) {
  EXPECT_TRUE(Panel().Announced.empty()) << "nothing before the first result";
  struct Step {
    std::uint32_t delay;
    std::int32_t timeout;
  };
  // The same text twice is two results, and both are announced.
  const Step steps[] = {{23, 5000}, {20, 0}, {20, 0}, {300, 5000}};
  for (const Step& step : steps) {
    Answer(step.delay);
    Form_Main->KvICMP->Timeout = step.timeout;
    PressCheck();  // the check, its pause and the blink that follows
  }
  const std::vector<std::string> expected = {"23ms", "TimeOut", "TimeOut", "300ms"};
  EXPECT_EQ(Panel().Announced, expected) << "each announcement reads the caption just set";
}

TEST_F(MainTest, AFastFailureShowsItsTimeNotTimeOut) {
  h.echo.Hosts[kHost] = HostScript{12, true, 11003};  // destination unreachable
  PressCheck();
  EXPECT_EQ(Panel().Text, "12ms");
  EXPECT_EQ(Panel().FontColor, kCyan);
}

TEST_F(MainTest, TheBlinkAlternatesFiveTimesFromWhite) {
  Answer(650);
  std::vector<fw::TColor> seen;
  Form_Main->Timer->OnTimer = [&](fw::TObject* sender) {
    Form_Main->TimerTimer(sender);
    seen.push_back(Panel().FontColor);
  };
  Form_Main->KvICMP->OnReply = [&](fw::TObject* s, std::int32_t status, const std::string& address,
                                   std::int32_t rtt, std::uint8_t ttl) {
    Form_Main->KvICMPReply(s, status, address, rtt, ttl);
    seen.clear();
    seen.push_back(Panel().FontColor);
  };
  PressCheck();
  h.backend.AdvanceClock(400);
  h.app->ProcessMessages();
  h.backend.AdvanceClock(400);
  h.app->ProcessMessages();
  ASSERT_GE(seen.size(), 7u);
  const fw::TColor Y = kYellow, W = kWhite;
  const std::vector<fw::TColor> expected = {W, Y, W, Y, W, Y, Y};
  EXPECT_EQ(std::vector<fw::TColor>(seen.begin(), seen.begin() + 7), expected);
  EXPECT_EQ(Form_Main->BlinkCount, 0);
}

TEST_F(MainTest, ThePeriodicTestTakesTheDifferenceModulo2To32) {
  struct Case {
    std::uint32_t start;
    std::uint32_t now;
    std::uint32_t interval;
    bool checks;
  };
  const Case cases[] = {
      {0, 59999, 60000, false},
      {0, 60000, 60000, true},
      {1000000, 1059999, 60000, false},
      {0xFFFFFF00u, 0x0000EA60u - 0x100u, 60000, true},  // across the wrap, exactly 60000
      {0xFFFFFF00u, 0x0000EA5Fu - 0x100u, 60000, false},
      {0, 0xFFFFFFFEu, 0xFFFFFFFFu, false},
      {0, 0xFFFFFFFFu, 0xFFFFFFFFu, true},
      {5, 4, 0xFFFFFFFFu, true},  // the clock one behind the start: a difference of 2^32 - 1
  };
  Answer(10);
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.start << " " << c.now << " " << c.interval);
    h.echo.Sent.clear();
    Form_Main->AutoPing = true;
    Form_Main->PingInterval = c.interval;
    Form_Main->StartTime = c.start;
    h.backend.SetClock(c.now);
    Form_Main->TimerTimer(Form_Main->Timer);
    EXPECT_EQ(h.echo.Sent.size(), c.checks ? 1u : 0u);
    if (c.checks) {
      EXPECT_EQ(h.echo.Sent[0].Clock, c.now) << "StartTime is set as the check starts";
    }
  }
  Form_Main->AutoPing = false;
  Form_Main->StartTime = 0;
  h.backend.SetClock(0xFFFFFFFFu);
  h.echo.Sent.clear();
  Form_Main->TimerTimer(Form_Main->Timer);
  EXPECT_TRUE(h.echo.Sent.empty()) << "AutoPing off";
}

TEST_F(MainTest, ACheckByHandStartsTheIntervalAfresh) {
  Answer(10);
  Form_Main->AutoPing = true;
  Form_Main->PingInterval = 60000;
  h.backend.SetClock(100000);
  Form_Main->StartTime = 100000 - 50000;
  PressCheck();  // at 100000
  h.echo.Sent.clear();
  h.backend.SetClock(150000);
  Form_Main->TimerTimer(Form_Main->Timer);
  EXPECT_TRUE(h.echo.Sent.empty());
  h.backend.SetClock(160000);
  Form_Main->TimerTimer(Form_Main->Timer);
  EXPECT_EQ(h.echo.Sent.size(), 1u);
}

TEST_F(MainTest, AnIntervalOfZeroNeverNestsPeriodicChecks) {
  Answer(10);
  Form_Main->AutoPing = true;
  Form_Main->PingInterval = 0;
  // Every run holds its own echo handle, so the handles open at a reply are the runs under way.
  int deepestNesting = 0;
  Form_Main->KvICMP->OnReply = [&](fw::TObject* s, std::int32_t status, const std::string& address,
                                   std::int32_t rtt, std::uint8_t ttl) {
    deepestNesting = std::max(deepestNesting, h.echo.OpenHandles);
    Form_Main->KvICMPReply(s, status, address, rtt, ttl);
  };
  // Each check's pause handles the ticks that fall in it; none of them may start a check.
  for (int tick = 0; tick < 5; ++tick) {
    Form_Main->TimerTimer(Form_Main->Timer);
  }
  EXPECT_EQ(deepestNesting, 1);
  EXPECT_EQ(h.echo.Sent.size(), 5u);
}

TEST_F(MainTest, CheckPressedDuringThePauseRunsACompleteSecondCheck) {
  Answer(20);
  std::vector<std::string> results;
  Form_Main->KvICMP->OnReply = [&](fw::TObject* s, std::int32_t status, const std::string& address,
                                   std::int32_t rtt, std::uint8_t ttl) {
    Form_Main->KvICMPReply(s, status, address, rtt, ttl);
    results.push_back(Panel().Text);
    if (results.size() == 1) {
      Answer(650);
      h.backend.PostAt(h.backend.Clock() + 300, [&] { h.backend.ClickAt("TForm_Main", 100, 10); });
    }
  };
  const std::uint32_t start = h.backend.Clock();
  PressCheck();
  const std::vector<std::string> expected = {"20ms", "650ms"};
  EXPECT_EQ(results, expected);
  EXPECT_EQ(Panel().Announced, expected);
  EXPECT_EQ(Panel().Text, "650ms");
  EXPECT_EQ(Panel().FontColor, kYellow);
  EXPECT_EQ(h.echo.OpenHandles, 0);
  // The outer run ends its own pause after the inner run has returned.
  EXPECT_GE(h.backend.Clock() - start, 20u + 300u + 650u + 1000u);
}

TEST_F(MainTest, ABurstOfPressesNestsAtMostFourChecks) {
  Answer(20);
  // Every run holds its own echo handle, so the handles open at a reply are the runs under way.
  int deepestNesting = 0;
  Form_Main->KvICMP->OnReply = [&](fw::TObject* s, std::int32_t status, const std::string& address,
                                   std::int32_t rtt, std::uint8_t ttl) {
    deepestNesting = std::max(deepestNesting, h.echo.OpenHandles);
    Form_Main->KvICMPReply(s, status, address, rtt, ttl);
  };
  // Ten presses that all land while the first check is running: each one handled before an
  // echo starts a check nested in the one that handled it, until four are running.
  for (int press = 0; press < 10; ++press) {
    h.backend.PostAt(h.backend.Clock() + 100, [&] { h.backend.ClickAt("TForm_Main", 100, 10); });
  }
  PressCheck();
  EXPECT_EQ(deepestNesting, 4);
  EXPECT_EQ(h.echo.Sent.size(), 4u);
  EXPECT_EQ(h.echo.OpenHandles, 0);

  // Once they have returned, a press checks again.
  PressCheck();
  EXPECT_EQ(h.echo.Sent.size(), 5u);
}

TEST_F(MainTest, AnErrorDuringACheckReachesTheErrorDisplayAndTheWindowGoesOn) {
  Answer(20);
  Form_Main->KvICMP->OnReply = [](fw::TObject*, std::int32_t, const std::string&, std::int32_t,
                                  std::uint8_t) { throw base::Exception("reply failed"); };
  PressCheck();
  ASSERT_EQ(h.backend.ErrorBoxes().size(), 1u);
  EXPECT_EQ(h.backend.ErrorBoxes()[0], "Vorlix: reply failed.");
  EXPECT_EQ(h.echo.OpenHandles, 0);
  Form_Main->KvICMP->OnReply = [](fw::TObject*, std::int32_t, const std::string&, std::int32_t,
                                  std::uint8_t) {};
  PressCheck();
  EXPECT_EQ(h.echo.Sent.size(), 2u);
}

}  // namespace
