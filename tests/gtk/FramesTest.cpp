// The forms' frames and keys: the Motif hints that ask for a title and a border only, the
// shortcut keys that click a control without its focus, tooltips, and where the error box opens.
#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <string>
#include <vector>

#include "GtkFixture.h"
#include "platform/gtk/ShortCutKeys.h"

namespace {

using fw::TBounds;
using fw::TControlKind;
using fw::TShortCut;
using gtktest::GtkFixture;

class FramesTest : public GtkFixture {};

TEST(ShortCutKeysTest, CtrlCommaAndAltEnterAreTheSettingsKeys) {
  struct Case {
    guint Key;
    guint State;
    TShortCut Expected;
  };
  const Case cases[] = {
      {GDK_KEY_comma, GDK_CONTROL_MASK, TShortCut::Properties},
      {GDK_KEY_Return, GDK_MOD1_MASK, TShortCut::Properties},
      {GDK_KEY_KP_Enter, GDK_MOD1_MASK, TShortCut::Properties},
      {GDK_KEY_comma, GDK_CONTROL_MASK | GDK_LOCK_MASK, TShortCut::Properties},  // Caps Lock
      {GDK_KEY_Return, GDK_MOD1_MASK | GDK_MOD2_MASK, TShortCut::Properties},    // Num Lock
      {GDK_KEY_comma, 0, TShortCut::None},
      {GDK_KEY_Return, 0, TShortCut::None},
      {GDK_KEY_comma, GDK_CONTROL_MASK | GDK_SHIFT_MASK, TShortCut::None},
      {GDK_KEY_comma, GDK_CONTROL_MASK | GDK_MOD1_MASK, TShortCut::None},
      {GDK_KEY_Return, GDK_CONTROL_MASK, TShortCut::None},
      {GDK_KEY_comma, GDK_MOD1_MASK, TShortCut::None},
      {GDK_KEY_period, GDK_CONTROL_MASK, TShortCut::None},
      {GDK_KEY_space, GDK_MOD1_MASK, TShortCut::None},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(gtk::ShortCutOf(c.Key, static_cast<GdkModifierType>(c.State)), c.Expected)
        << gdk_keyval_name(c.Key) << " with modifiers " << c.State;
  }
  EXPECT_STREQ(gtk::KeyBindingOf(TShortCut::Properties), ";;<Control>comma");
  EXPECT_EQ(gtk::KeyBindingOf(TShortCut::None), nullptr);
}

// A key event of the window, as the window manager's focus gives it.
void SendKey(gtk::Form& form, GdkEventType type, guint keyval, guint state) {
  GtkWidget* window = GTK_WIDGET(form.Window());
  GdkEvent* event = gtktest::NewEvent(type, window);
  event->key.keyval = keyval;
  event->key.state = state;
  gtktest::Deliver(event, window, true);
}

TEST_F(FramesTest, TheSettingsKeysClickTheirControlOnceWhileHeldAndLeaveTheFocus) {
  gtk::Form& form = MakeForm(fw::TBorderIcons::Close, fw::TFormStyle::Normal, true);
  fw::ControlParams panel;
  panel.Kind = TControlKind::Panel;
  panel.Bounds = TBounds{0, 0, 79, 25};
  panel.ShortCut = TShortCut::Properties;
  gtktest::ControlLog panelLog;
  std::unique_ptr<fw::ControlPeer> made = form.CreateControl(panel, panelLog);
  gtk::Control& check = MakeControl(form, TControlKind::Button, TBounds{80, 0, 49, 25}, "Check");
  form.Show(fw::TWindowState::Normal, false);
  gtk_widget_grab_focus(check.Widget());
  EXPECT_FALSE(gtk_window_get_focus_visible(form.Window()));

  struct Step {
    GdkEventType Type;
    guint Key;
    guint State;
    int Clicks;  // the panel's clicks after the step
  };
  const Step steps[] = {
      {GDK_KEY_PRESS, GDK_KEY_comma, 0, 0},
      {GDK_KEY_PRESS, GDK_KEY_comma, GDK_CONTROL_MASK, 1},
      {GDK_KEY_PRESS, GDK_KEY_comma, GDK_CONTROL_MASK, 1},  // the key's repeat
      {GDK_KEY_RELEASE, GDK_KEY_comma, GDK_CONTROL_MASK, 1},
      {GDK_KEY_PRESS, GDK_KEY_comma, GDK_CONTROL_MASK, 2},
      {GDK_KEY_RELEASE, GDK_KEY_comma, GDK_CONTROL_MASK, 2},
      {GDK_KEY_PRESS, GDK_KEY_Return, GDK_MOD1_MASK, 3},
      {GDK_KEY_RELEASE, GDK_KEY_Return, GDK_MOD1_MASK, 3},
      {GDK_KEY_PRESS, GDK_KEY_KP_Enter, GDK_MOD1_MASK, 4},
  };
  int index = 0;
  for (const Step& step : steps) {
    SendKey(form, step.Type, step.Key, step.State);
    EXPECT_EQ(panelLog.Clicks, step.Clicks) << "step " << index++;
  }
  EXPECT_EQ(LogOf(0).Clicks, 0) << "Alt+Enter pressed the focused button";
  EXPECT_EQ(gtk_window_get_focus(form.Window()), check.Widget());
  EXPECT_TRUE(gtk_window_get_focus_visible(form.Window())) << "no focus ring after a key";

  // Assistive technology reads the keys from the panel's action, and clicks it through it.
  GtkWidget* area = static_cast<gtk::Control&>(*made).Widget();
  AtkAction* action = ATK_ACTION(gtk_widget_get_accessible(area));
  ASSERT_EQ(atk_action_get_n_actions(action), 1);
  EXPECT_STREQ(atk_action_get_name(action, 0), "click");
  EXPECT_STREQ(atk_action_get_keybinding(action, 0), ";;<Control>comma");
  EXPECT_TRUE(atk_action_do_action(action, 0));
  EXPECT_EQ(panelLog.Clicks, 4) << "the click waits for the main loop";
  Pump();
  EXPECT_EQ(panelLog.Clicks, 5);
  // A click still to run when the panel goes does nothing.
  EXPECT_TRUE(atk_action_do_action(action, 0));
  made.reset();
  Pump();
  EXPECT_EQ(panelLog.Clicks, 5);
}

TEST_F(FramesTest, APanelsTooltipFollowsItsHint) {
  gtk::Form& form = MakeForm();
  fw::ControlParams params;
  params.Kind = TControlKind::Panel;
  params.Bounds = TBounds{0, 0, 79, 25};
  params.Hint = "IP: 192.168.100.200";
  gtktest::ControlLog log;
  std::unique_ptr<fw::ControlPeer> panel = form.CreateControl(params, log);
  GtkWidget* widget = static_cast<gtk::Control&>(*panel).Widget();
  const auto tooltip = [widget] {
    gchar* text = gtk_widget_get_tooltip_text(widget);
    std::string copy = text != nullptr ? text : "(none)";
    g_free(text);
    return copy;
  };
  EXPECT_EQ(tooltip(), "IP: 192.168.100.200");
  panel->SetHint("IP: 10.0.0.1");
  EXPECT_EQ(tooltip(), "IP: 10.0.0.1");
  panel->SetHint("");
  EXPECT_EQ(tooltip(), "(none)");
}

// _MOTIF_WM_HINTS as the window asks for it: flags, functions, decorations.
std::vector<long> MotifHints(gtk::Form& form) {
  GdkWindow* window = gtk_widget_get_window(GTK_WIDGET(form.Window()));
  GdkAtom type = GDK_NONE;
  gint format = 0;
  gint length = 0;
  guchar* data = nullptr;
  std::vector<long> hints;
  const GdkAtom name = gdk_atom_intern_static_string("_MOTIF_WM_HINTS");
  if (gdk_property_get(window, name, name, 0, 64, FALSE, &type, &format, &length, &data)) {
    const auto* values = reinterpret_cast<const long*>(data);
    hints.assign(values, values + std::min<gint>(3, length / static_cast<gint>(sizeof(long))));
    g_free(data);
  }
  return hints;
}

TEST_F(FramesTest, FramesAskForATitleAndABorderAndTheFunctionsOfTheirButtons) {
  constexpr long kFunctionsAndDecorations = 0x1 | 0x2;
  constexpr long kMove = 0x4, kMinimize = 0x8, kClose = 0x20;
  constexpr long kBorderAndTitle = 0x2 | 0x8;
  struct Case {
    bool Main;
    fw::TBorderIcons Icons;
    long Functions;
  };
  const Case cases[] = {
      // The status window: its close button, and minimize for its taskbar entry alone.
      {true, fw::TBorderIcons::Close, kMove | kMinimize | kClose},
      // The settings window: no button at all, and it cannot be minimized.
      {false, fw::TBorderIcons::None, kMove},
      {false, fw::TBorderIcons::Close, kMove | kClose},
  };
  for (const Case& c : cases) {
    gtk::Form& form = MakeForm(c.Icons, fw::TFormStyle::Normal, c.Main);
    form.Show(fw::TWindowState::Normal, false);
    Pump();
    EXPECT_EQ(MotifHints(form),
              (std::vector<long>{kFunctionsAndDecorations, c.Functions, kBorderAndTitle}))
        << "main " << c.Main;
    forms.pop_back();
  }
}

// Answers the error box once it is up, noting how it is placed.
struct Placement {
  GtkWindow* Parent = nullptr;
  GtkWindowPosition Position = GTK_WIN_POS_NONE;
  bool Seen = false;
  static gboolean Answer(gpointer data) {
    auto* placement = static_cast<Placement*>(data);
    GList* windows = gtk_window_list_toplevels();
    for (GList* item = windows; item != nullptr; item = item->next) {
      if (GTK_IS_MESSAGE_DIALOG(item->data)) {
        GtkWindow* box = GTK_WINDOW(item->data);
        placement->Seen = true;
        placement->Parent = gtk_window_get_transient_for(box);
        g_object_get(box, "window-position", &placement->Position, nullptr);
        gtk_dialog_response(GTK_DIALOG(box), GTK_RESPONSE_OK);
      }
    }
    g_list_free(windows);
    return G_SOURCE_CONTINUE;
  }
};

TEST_F(FramesTest, TheErrorBoxIsCentredOverTheMainFormOrTheScreen) {
  gtk::Form& settings = MakeForm(fw::TBorderIcons::None);
  gtk::Form& main = MakeForm(fw::TBorderIcons::Close, fw::TFormStyle::Normal, true);
  struct Case {
    bool MainShown;
    GtkWindow* Parent;
    GtkWindowPosition Position;
  };
  const Case cases[] = {
      {true, main.Window(), GTK_WIN_POS_CENTER_ON_PARENT},
      {false, nullptr, GTK_WIN_POS_CENTER},
  };
  settings.Show(fw::TWindowState::Normal, true);  // active, the main form or not
  for (const Case& c : cases) {
    if (c.MainShown) {
      main.Show(fw::TWindowState::Normal, false);
    } else {
      main.Hide();
    }
    Pump();
    Placement placement;
    const guint answer = g_timeout_add(50, Placement::Answer, &placement);
    backend.ShowHandlerErrorBox("message", "Vorlix");
    g_source_remove(answer);
    EXPECT_TRUE(placement.Seen);
    EXPECT_EQ(placement.Parent, c.Parent) << "main shown " << c.MainShown;
    EXPECT_EQ(placement.Position, c.Position) << "main shown " << c.MainShown;
  }
}

}  // namespace
