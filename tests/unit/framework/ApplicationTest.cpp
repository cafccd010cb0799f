// The application object: creation order, the loop, shutdown and the handler error display.
#include "framework/Application.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "Harness.h"
#include "base/Exception.h"
#include "framework/Button.h"
#include "framework/Panel.h"

namespace {

std::vector<std::string>* journal = nullptr;

void Note(const std::string& entry) {
  if (journal != nullptr) {
    journal->push_back(entry);
  }
}

// A component that notes when it goes.
class Noted : public fw::TComponent {
 public:
  Noted(fw::TComponent* owner, std::string name) : fw::TComponent(owner), name_(std::move(name)) {}
  ~Noted() override { Note("free " + name_); }

 private:
  std::string name_;
};

class FirstForm;
class SecondForm;
FirstForm* First = nullptr;
SecondForm* Second = nullptr;

class FirstForm : public fw::TForm {
 public:
  static fw::TNotifyEvent buttonClick;
  explicit FirstForm(fw::TComponent* owner) : fw::TForm(owner) {
    SetWindowClassName("First");
    SetClientSize(100, 20);
    Note(First == this ? "first: global set" : "first: global not set");
    new Noted(this, "first.a");
    new Noted(this, "first.b");
    Panel = new fw::TPanel(this);
    Panel->SetBounds(0, 0, 79, 25);
    Button = new fw::TButton(this);
    Button->SetBounds(80, 0, 49, 25);
    Button->OnClick = [](fw::TObject* sender) { buttonClick(sender); };
    OnCreate = [](fw::TObject*) { Note("first: create"); };
    OnHide = [](fw::TObject*) { Note("first: hide"); };
    OnDestroy = [](fw::TObject*) { Note("first: destroy"); };
  }
  fw::TPanel* Panel;
  fw::TButton* Button;
};
fw::TNotifyEvent FirstForm::buttonClick;

class SecondForm : public fw::TForm {
 public:
  static bool failConstruction;
  static bool failHandlers;
  explicit SecondForm(fw::TComponent* owner) : fw::TForm(owner) {
    SetWindowClassName("Second");
    new Noted(this, "second.a");
    if (failConstruction) {
      throw base::Exception("cannot build");
    }
    OnCreate = NoteThenFail("second: create", "create failed");
    OnHide = NoteThenFail("second: hide", "hide failed");
    OnDestroy = NoteThenFail("second: destroy", "destroy failed)");
  }
  // A handler that notes its call, then fails when the handlers are to fail.
  static fw::TNotifyEvent NoteThenFail(const char* note, const char* failure) {
    return [note, failure](fw::TObject*) {
      Note(note);
      if (failHandlers) {
        throw base::Exception(failure);
      }
    };
  }
};
bool SecondForm::failConstruction = false;
bool SecondForm::failHandlers = false;

class ApplicationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    journal = &notes;
    SecondForm::failConstruction = false;
    SecondForm::failHandlers = false;
  }
  void TearDown() override { journal = nullptr; }

  std::vector<std::string> notes;
  headless::Harness h;
};

TEST_F(ApplicationTest, TheFirstFormIsTheMainFormAndGetsItsWindowAtOnce) {
  h.app->CreateForm(First);
  h.app->CreateForm(Second);
  EXPECT_EQ(h.app->MainForm(), First);
  EXPECT_TRUE(First->HandleAllocated());
  EXPECT_FALSE(Second->HandleAllocated());
  const std::vector<std::string> expected = {"first: global set", "first: create",
                                             "second: create"};
  EXPECT_EQ(notes, expected);
}

TEST_F(ApplicationTest, AFailedConstructionResetsTheGlobalAndRunsNoHandler) {
  h.app->CreateForm(First);
  SecondForm::failConstruction = true;
  EXPECT_THROW(h.app->CreateForm(Second), base::Exception);
  EXPECT_EQ(Second, nullptr);
  const std::vector<std::string> expected = {"first: global set", "first: create", "free second.a"};
  EXPECT_EQ(notes, expected);
  EXPECT_EQ(h.app->Components().size(), 1u);
}

TEST_F(ApplicationTest, AnErrorInACreationHandlerIsShownAndCreationCompletes) {
  SecondForm::failHandlers = true;
  h.app->CreateForm(First);
  h.app->CreateForm(Second);
  ASSERT_NE(Second, nullptr);
  ASSERT_EQ(h.backend.ErrorBoxes().size(), 1u);
  EXPECT_EQ(h.backend.ErrorBoxes()[0], "Vorlix: create failed.");
}

TEST_F(ApplicationTest, ShutdownHidesOwnedPopupsThenDestroysFormsInReverseOrder) {
  h.app->CreateForm(First);
  h.app->CreateForm(Second);
  h.backend.Post([] { Second->Show(); });
  h.backend.CloseRequest("First");
  notes.clear();
  // The loop ends at the quit message that closing the main form posts.
  h.app->Run();
  EXPECT_TRUE(First->Visible()) << "closing the main form neither hides nor destroys it";
  h.app->DestroyForms();
  const std::vector<std::string> expected = {"second: hide", "second: destroy", "free second.a",
                                             "first: hide",  "first: destroy",  "free first.b",
                                             "free first.a"};
  EXPECT_EQ(notes, expected);
  const auto& events = h.backend.Events();
  const auto popups = std::find(events.begin(), events.end(), "hide owned popups");
  const auto secondGone = std::find(events.begin(), events.end(), "destroy Second");
  const auto firstGone = std::find(events.begin(), events.end(), "destroy First");
  EXPECT_LT(popups, secondGone);
  EXPECT_LT(secondGone, firstGone);
}

TEST_F(ApplicationTest, ErrorsInHideAndDestroyHandlersAreShownAndShutdownGoesOn) {
  SecondForm::failHandlers = true;
  h.app->CreateForm(First);
  h.app->CreateForm(Second);
  Second->Show();
  h.app->DestroyForms();
  const std::vector<std::string> boxes = {"Vorlix: create failed.", "Vorlix: hide failed.",
                                          "Vorlix: destroy failed)"};
  EXPECT_EQ(h.backend.ErrorBoxes(), boxes);
  EXPECT_EQ(std::count(notes.begin(), notes.end(), "first: destroy"), 1);
}

TEST_F(ApplicationTest, TheStartupShowCommandDecidesHowTheMainFormFirstShows) {
  struct Case {
    fw::TWindowState command;
    fw::TWindowState shown;
    const char* applicationEvent;
  };
  for (const Case& c :
       {Case{fw::TWindowState::Normal, fw::TWindowState::Normal, "application shown"},
        Case{fw::TWindowState::Maximized, fw::TWindowState::Maximized, "application shown"}}) {
    headless::Harness run;
    run.backend.SetStartupShowCommand(c.command);
    run.app->CreateForm(First);
    run.backend.PostQuit();
    run.app->Run();
    const headless::FormRecord* form = run.backend.LiveForm("First");
    ASSERT_NE(form, nullptr);
    EXPECT_TRUE(form->Shown);
    EXPECT_TRUE(form->ActivatedOnShow);
    EXPECT_EQ(form->ShownState, c.shown);
    const auto& events = run.backend.Events();
    EXPECT_NE(std::find(events.begin(), events.end(), c.applicationEvent), events.end());
    run.app->DestroyForms();
  }
}

TEST_F(ApplicationTest, AMinimizedStartShowsTheMainFormOnlyWhenRestored) {
  h.backend.SetStartupShowCommand(fw::TWindowState::Minimized);
  h.app->CreateForm(First);
  h.backend.PostQuit();
  h.app->Run();
  const auto& events = h.backend.Events();
  EXPECT_NE(std::find(events.begin(), events.end(), "application minimized"), events.end());
  EXPECT_EQ(std::find(events.begin(), events.end(), "show First"), events.end())
      << "the main form was shown on the way";
  EXPECT_FALSE(First->Visible());

  h.backend.Restore();
  h.app->ProcessMessages();
  const headless::FormRecord* form = h.backend.LiveForm("First");
  ASSERT_NE(form, nullptr);
  EXPECT_TRUE(form->Shown);
  EXPECT_TRUE(form->ActivatedOnShow);
  EXPECT_EQ(form->ShownState, fw::TWindowState::Normal);
  EXPECT_TRUE(First->Visible());

  // Restoring a program whose main form is shown changes nothing.
  const auto shows = std::count(events.begin(), events.end(), "show First");
  h.backend.Restore();
  h.app->ProcessMessages();
  EXPECT_EQ(std::count(events.begin(), events.end(), "show First"), shows);
}

TEST_F(ApplicationTest, AQuitTakenByANestedPumpEndsTheLoopAfterTheHandlerReturns) {
  h.app->CreateForm(First);
  bool handlerFinished = false;
  h.backend.Post([&] {
    h.app->Terminate();
    h.app->ProcessMessages();  // a nested pump, as a probe run does
    EXPECT_TRUE(h.app->Terminated());
    handlerFinished = true;
  });
  h.app->Run();
  EXPECT_TRUE(handlerFinished);
}

TEST_F(ApplicationTest, AnErrorEscapingAMessageIsShownAndTheLoopGoesOn) {
  FirstForm::buttonClick = [](fw::TObject*) {
    throw base::Exception("'abc' は整数ではありません");
  };
  h.app->CreateForm(First);
  h.backend.ClickAt("First", 90, 5);
  bool later = false;
  h.backend.Post([&] { later = true; });
  h.app->ProcessMessages();
  EXPECT_TRUE(later);
  ASSERT_EQ(h.backend.ErrorBoxes().size(), 1u);
  EXPECT_EQ(h.backend.ErrorBoxes()[0], "Vorlix: 'abc' は整数ではありません.");
  EXPECT_EQ(h.backend.CancelModeSent(), 1);
}

TEST_F(ApplicationTest, ChangingTheStyleRebuildsTheWindowAndKeepsItsState) {
  h.app->CreateForm(First);
  First->SetFormStyle(fw::TFormStyle::StayOnTop);
  ASSERT_EQ(h.backend.FormsCreated("First"), 2);
  First->SetCaption("IP: 198.18.0.20");
  First->SetLeft(10);
  First->SetTop(20);
  First->Panel->SetCaption("23ms");
  First->Show();

  First->SetFormStyle(fw::TFormStyle::StayOnTop);
  EXPECT_EQ(h.backend.FormsCreated("First"), 2) << "same style: no rebuild";

  First->SetFormStyle(fw::TFormStyle::Normal);
  EXPECT_EQ(h.backend.FormsCreated("First"), 3);
  const headless::FormRecord* form = h.backend.LiveForm("First");
  ASSERT_NE(form, nullptr);
  EXPECT_EQ(form->Params.Style, fw::TFormStyle::Normal);
  EXPECT_EQ(form->Caption, "IP: 198.18.0.20");
  EXPECT_EQ(form->Position.X, 10);
  EXPECT_EQ(form->Position.Y, 20);
  EXPECT_TRUE(form->Shown);
  EXPECT_FALSE(form->ActivatedOnShow);
  const headless::ControlRecord* shown = h.backend.LiveControlAt("First", 1, 1);
  ASSERT_NE(shown, nullptr);
  EXPECT_EQ(shown->Text, "23ms");
}

TEST_F(ApplicationTest, ARebuildKeepsAMaximizedFormMaximizedWithoutActivatingIt) {
  struct Case {
    const char* name;
    bool restoredByUser;
    fw::TWindowState rebuiltIn;
  };
  for (const Case& c : {Case{"maximized", false, fw::TWindowState::Maximized},
                        Case{"restored by the user", true, fw::TWindowState::Normal}}) {
    SCOPED_TRACE(c.name);
    headless::Harness run;
    run.app->CreateForm(First);
    First->SetWindowState(fw::TWindowState::Maximized);
    First->Show();
    if (c.restoredByUser) {
      run.backend.SetFormState("First", fw::TWindowState::Normal);
    }
    First->SetFormStyle(fw::TFormStyle::StayOnTop);
    const headless::FormRecord* form = run.backend.LiveForm("First");
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(run.backend.FormsCreated("First"), 2);
    EXPECT_EQ(form->Params.WindowState, c.rebuiltIn) << "the state the window is made in";
    EXPECT_EQ(form->ShownState, c.rebuiltIn);
    EXPECT_TRUE(form->Shown);
    EXPECT_FALSE(form->ActivatedOnShow);
    run.app->DestroyForms();
  }
}

}  // namespace
