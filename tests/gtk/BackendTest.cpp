// The GTK back end: text comparison, the message pump and quit, the timer inside nested pumps,
// the close request, the handler error box, and the start-up error's module and address.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "GtkFixture.h"
#include "app/GtkStartupError.h"
#include "platform/gtk/GlibLocale.h"

namespace {

using fw::TBounds;
using fw::TControlKind;
using gtktest::GtkFixture;
using Clock = std::chrono::steady_clock;

class BackendTest : public GtkFixture {};

TEST_F(BackendTest, TheLocaleFoldsLetterCaseByUnicodeRules) {
  struct Case {
    std::string A;
    std::string B;
    bool Same;
  };
  const Case cases[] = {
      {"MainFormPosX", "mainformposx", true},
      {"StayOnTop", "STAYONTOP", true},
      {"IP", "IPX", false},
      {"", "", true},
      {"Ärger", "äRGER", true},                           // beyond ASCII
      {"ＩＰ", "ｉｐ", true},                             // full-width letters
      {std::string("\xe2\x84\xaa") + "ey", "KEY", true},  // the Kelvin sign folds to an ASCII k
      {"TimeOut\x01", "TimeOut", false},
  };
  for (const Case& c : cases) {
    gtk::GlibLocale locale;
    EXPECT_EQ(locale.CaseKey(c.A) == locale.CaseKey(c.B), c.Same) << c.A << " / " << c.B;
  }
}

TEST_F(BackendTest, QuitIsReportedOnceBeforeAnythingElse) {
  Pump();
  EXPECT_EQ(backend.ProcessOneMessage(), fw::Backend::MessageResult::None);
  backend.PostQuit();
  backend.WaitMessage();  // returns at once with a quit pending
  EXPECT_EQ(backend.ProcessOneMessage(), fw::Backend::MessageResult::Quit);
  EXPECT_NE(backend.ProcessOneMessage(), fw::Backend::MessageResult::Quit);
}

// Counts ticks; the first one pumps messages for a while, as a check started by a tick does.
struct PumpingTicks : fw::TimerEvents {
  GtkFixture* Fixture = nullptr;
  gtk::GtkBackend* Backend = nullptr;
  int Ticks = 0;
  int NestedTicks = 0;
  bool Pumping = false;
  Clock::duration FirstNestedAfter{};
  void PlatformTimer() override {
    ++Ticks;
    if (Pumping) {
      ++NestedTicks;
      return;
    }
    if (Ticks > 1) {
      return;
    }
    Pumping = true;
    const auto start = Clock::now();
    while (Clock::now() - start < std::chrono::milliseconds(500)) {
      const int before = NestedTicks;
      while (Backend->ProcessOneMessage() != fw::Backend::MessageResult::None) {
      }
      if (NestedTicks == 1 && before == 0) {
        FirstNestedAfter = Clock::now() - start;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    Pumping = false;
  }
};

TEST_F(BackendTest, TimerTicksInsideAPumpRunByItsOwnHandler) {
  PumpingTicks events;
  events.Backend = &backend;
  auto timer = backend.CreateTimer(200, events);
  const auto start = Clock::now();
  while (events.Ticks == 0 && Clock::now() - start < std::chrono::seconds(2)) {
    backend.WaitMessage();
    Pump();
  }
  // Two more ticks fall due in the half second of pumping (at about 200 and 400 ms); the
  // first only once a whole interval has passed since the tick that is still running.
  EXPECT_GE(events.NestedTicks, 1);
  EXPECT_LE(events.NestedTicks, 3);
  EXPECT_GE(events.FirstNestedAfter, std::chrono::milliseconds(150));
}

// A tick whose handler blocks the thread (an echo waiting for a slow reply) is not followed by
// the ticks it missed, back to back: the blink that the ticks play would be over at once.
struct BlockingTick : fw::TimerEvents {
  std::vector<Clock::time_point> Ticks;
  void PlatformTimer() override {
    Ticks.push_back(Clock::now());
    if (Ticks.size() == 1) {
      std::this_thread::sleep_for(std::chrono::milliseconds(950));
    }
  }
};

TEST_F(BackendTest, TicksMissedWhileTheThreadWasBusyAreNotMadeUp) {
  BlockingTick events;
  auto timer = backend.CreateTimer(200, events);
  const auto start = Clock::now();
  while (Clock::now() - start < std::chrono::milliseconds(1550)) {
    backend.WaitMessage();
    Pump();
  }
  // Ticks at about 200 ms (blocking until 1150 ms), 1150 ms (the one overdue) and 1350 ms.
  ASSERT_GE(events.Ticks.size(), 2u);
  EXPECT_LE(events.Ticks.size(), 4u);
  for (std::size_t i = 2; i < events.Ticks.size(); ++i) {
    EXPECT_GE(events.Ticks[i] - events.Ticks[i - 1], std::chrono::milliseconds(150)) << i;
  }
}

TEST_F(BackendTest, CloseRequestGoesToTheFrameworkAndKeepsTheWindow) {
  gtk::Form& form = MakeForm();
  form.Show(fw::TWindowState::Normal, false);
  GdkEvent* event = gtktest::NewEvent(GDK_DELETE, GTK_WIDGET(form.Window()));
  gtk_main_do_event(event);
  gdk_event_free(event);
  EXPECT_EQ(formLog.CloseRequests, 1);
  EXPECT_TRUE(form.Shown());
}

// Answers the error box once it is up, noting what the forms looked like meanwhile.
struct BoxWatch {
  gtk::Form* Other = nullptr;
  bool OtherSensitive = true;
  std::string Title;
  std::string Text;
  static gboolean Answer(gpointer data) {
    auto* watch = static_cast<BoxWatch*>(data);
    GList* windows = gtk_window_list_toplevels();
    for (GList* item = windows; item != nullptr; item = item->next) {
      if (GTK_IS_MESSAGE_DIALOG(item->data)) {
        GtkWindow* box = GTK_WINDOW(item->data);
        watch->Title = gtk_window_get_title(box);
        gchar* text = nullptr;
        g_object_get(box, "text", &text, nullptr);
        watch->Text = text != nullptr ? text : "";
        g_free(text);
        watch->OtherSensitive = gtk_widget_get_sensitive(GTK_WIDGET(watch->Other->Window()));
        gtk_dialog_response(GTK_DIALOG(box), GTK_RESPONSE_OK);
      }
    }
    g_list_free(windows);
    return G_SOURCE_CONTINUE;
  }
};

TEST_F(BackendTest, HandlerErrorBoxDisablesTheFormsAndGivesTheFocusBack) {
  gtk::Form& form = MakeForm();
  gtk::Control& field = MakeControl(form, TControlKind::Edit, TBounds{8, 16, 25, 20});
  form.Show(fw::TWindowState::Normal, false);
  gtk_widget_grab_focus(field.Widget());
  BoxWatch watch;
  watch.Other = &form;
  const guint answer = g_timeout_add(50, BoxWatch::Answer, &watch);
  backend.ShowHandlerErrorBox("'abc' は整数ではありません.", "Vorlix");
  g_source_remove(answer);
  EXPECT_EQ(watch.Title, "Vorlix");
  EXPECT_EQ(watch.Text, "'abc' は整数ではありません.");
  EXPECT_FALSE(watch.OtherSensitive);
  EXPECT_TRUE(gtk_widget_get_sensitive(GTK_WIDGET(form.Window())));
  EXPECT_EQ(gtk_window_get_focus(form.Window()), field.Widget());
  EXPECT_EQ(LogOf(0).Leaves, 0);
}

// Raised from the program's own code, the error names the program and an offset into it;
// from a library, the library.
void InTestProgram() {}

TEST(StartupErrorTest, ModuleAndOffsetOfTheRaiseAddress) {
  std::uintptr_t offset = 0;
  const auto own = reinterpret_cast<const void*>(&InTestProgram);
  EXPECT_EQ(app::ModuleOfAddress(own, offset), "vorlix_gtk_tests");
  EXPECT_GT(offset, 0u);
  EXPECT_LT(offset, reinterpret_cast<std::uintptr_t>(own));
  const auto library = reinterpret_cast<const void*>(&gtk_init_check);
  EXPECT_EQ(app::ModuleOfAddress(library, offset), "libgtk-3.so.0");
  EXPECT_EQ(app::ModuleOfAddress(nullptr, offset), "vorlix_gtk_tests");
  EXPECT_EQ(offset, 0u);
}

}  // namespace
