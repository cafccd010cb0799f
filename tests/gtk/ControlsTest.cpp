// The GTK controls: field limits, silent check-box setting, the panel's clicks, accessible name
// and announcements, the controls' accessible names, focus leaving within a form, and the tab
// order.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "GtkFixture.h"
#include "platform/gtk/Panel.h"

namespace {

using fw::TBounds;
using fw::TControlKind;
using gtktest::GtkFixture;

class ControlsTest : public GtkFixture {};

// What the user types or pastes goes through the editable's insertion, as here.
void Type(gtk::Control& field, const char* text) {
  GtkEditable* editable = GTK_EDITABLE(field.Widget());
  gint position = gtk_editable_get_position(editable);
  gtk_editable_insert_text(editable, text, -1, &position);
}

TEST_F(ControlsTest, MaximumLengthLimitsTypingButNotTheProgramsText) {
  gtk::Form& form = MakeForm();
  gtk::Control& field = MakeControl(form, TControlKind::Edit, TBounds{8, 16, 33, 20}, "", 4);
  struct Case {
    const char* Set;
    const char* Typed;
    const char* Expected;
  };
  const Case cases[] = {
      {"", "12", "12"},                // room left
      {"", "123456", "1234"},          // a paste is cut to fit
      {"12", "345", "1234"},           // cut to the room that is left
      {"1234", "5", "1234"},           // a full field takes nothing
      {"12345", "", "12345"},          // the program's text keeps its length
      {"12345", "6", "12345"},         // and leaves no room
      {"", "日本語です", "日本語で"},  // characters count, not bytes
  };
  for (const Case& c : cases) {
    field.SetText(c.Set);
    gtk_editable_set_position(GTK_EDITABLE(field.Widget()), -1);
    Type(field, c.Typed);
    EXPECT_EQ(field.Text(), c.Expected) << "set " << c.Set << ", typed " << c.Typed;
  }
}

TEST_F(ControlsTest, CheckBoxReportsTheUsersClicksOnly) {
  gtk::Form& form = MakeForm();
  gtk::Control& box =
      MakeControl(form, TControlKind::CheckBox, TBounds{16, 48, 65, 17}, "定期実行");
  box.SetChecked(true);
  EXPECT_TRUE(box.Checked());
  EXPECT_EQ(LogOf(0).Clicks, 0);
  gtk_button_clicked(GTK_BUTTON(box.Widget()));
  EXPECT_FALSE(box.Checked());
  EXPECT_EQ(LogOf(0).Clicks, 1);
  EXPECT_EQ(box.Text(), "定期実行");
}

// A key pressed and released while the control has the focus; the window hands it on.
void Key(gtk::Form& form, gtk::Control& control, guint keyval) {
  gtk_widget_grab_focus(control.Widget());
  GtkWidget* window = GTK_WIDGET(form.Window());
  // GTK finds key bindings by the key's hardware code.
  GdkKeymapKey* keys = nullptr;
  gint count = 0;
  gdk_keymap_get_entries_for_keyval(gdk_keymap_get_for_display(gdk_display_get_default()), keyval,
                                    &keys, &count);
  ASSERT_GT(count, 0);
  const auto code = static_cast<guint16>(keys[0].keycode);
  g_free(keys);
  for (GdkEventType type : {GDK_KEY_PRESS, GDK_KEY_RELEASE}) {
    GdkEvent* event = gtktest::NewEvent(type, window);
    event->key.keyval = keyval;
    event->key.hardware_keycode = code;
    gtktest::Deliver(event, window, true);
  }
}

TEST_F(ControlsTest, SpaceTogglesACheckBoxAndEnterDoesNot) {
  gtk::Form& form = MakeForm();
  gtk::Control& box = MakeControl(form, TControlKind::CheckBox, TBounds{16, 48, 65, 17}, "x");
  form.Show(fw::TWindowState::Normal, false);
  Key(form, box, GDK_KEY_Return);
  EXPECT_FALSE(box.Checked());
  Key(form, box, GDK_KEY_space);
  EXPECT_TRUE(box.Checked());
  EXPECT_EQ(LogOf(0).Clicks, 1);
}

struct Press {
  GdkEventType Type;
  guint Button;
  double X;
  double Y;
};

void Send(GtkWidget* widget, const Press& press) {
  GdkEvent* event = gtktest::NewEvent(press.Type, widget);
  event->button.button = press.Button;
  event->button.x = press.X;
  event->button.y = press.Y;
  gtktest::Deliver(event, widget, false);
}

TEST_F(ControlsTest, PanelClickIsAPressAndReleaseOverIt) {
  gtk::Form& form = MakeForm();
  gtk::Control& panel = MakeControl(form, TControlKind::Panel, TBounds{0, 0, 79, 25});
  form.Show(fw::TWindowState::Normal, false);
  Pump();
  constexpr GdkEventType kPress = GDK_BUTTON_PRESS;
  constexpr GdkEventType kDouble = GDK_2BUTTON_PRESS;
  constexpr GdkEventType kTriple = GDK_3BUTTON_PRESS;
  constexpr GdkEventType kRelease = GDK_BUTTON_RELEASE;
  struct Case {
    const char* Name;
    std::vector<Press> Events;
    bool CancelBeforeRelease;
    int Clicks;
  };
  // GTK reports a double click as a second press followed by a double press, and so on.
  const Press press{kPress, 1, 10, 10}, release{kRelease, 1, 10, 10};
  const Press doubled{kDouble, 1, 10, 10}, tripled{kTriple, 1, 10, 10};
  const Case cases[] = {
      {"click", {{kPress, 1, 10, 10}, {kRelease, 1, 12, 11}}, false, 1},
      {"released outside", {{kPress, 1, 10, 10}, {kRelease, 1, 90, 11}}, false, 0},
      {"released above", {{kPress, 1, 10, 10}, {kRelease, 1, 10, -1}}, false, 0},
      {"released below", {{kPress, 1, 10, 10}, {kRelease, 1, 10, 25}}, false, 0},
      {"released left of it", {{kPress, 1, 10, 10}, {kRelease, 1, -1, 10}}, false, 0},
      {"released at its last pixel", {{kPress, 1, 10, 10}, {kRelease, 1, 78, 24}}, false, 1},
      {"double click", {press, release, press, doubled, release}, false, 1},
      {"triple click",
       {press, release, press, doubled, release, press, tripled, release},
       false,
       2},
      {"release alone", {release}, false, 0},
      {"right button", {{kPress, 3, 10, 10}, {kRelease, 3, 10, 10}}, false, 0},
      {"error box between", {press, release}, true, 0},
  };
  for (const Case& c : cases) {
    LogOf(0).Clicks = 0;
    for (const Press& event : c.Events) {
      if (event.Type == kRelease && c.CancelBeforeRelease) {
        backend.CancelMouseCapture();
      }
      Send(panel.Widget(), event);
    }
    EXPECT_EQ(LogOf(0).Clicks, c.Clicks) << c.Name;
  }
}

// The caption is drawn centred: drawn into an image, its ink leaves the same margin left and
// right, and above and below, within what the glyphs' own bearings and the dropped fraction of
// half the free height allow.
TEST_F(ControlsTest, PanelCaptionIsDrawnCentred) {
  gtk::Form& form = MakeForm();
  gtk::Control& panel = MakeControl(form, TControlKind::Panel, TBounds{0, 0, 79, 25}, {}, 0,
                                    gtktest::kLayoutFace, -12, true);
  panel.SetFontColor(0xFFFFFF);
  form.Show(fw::TWindowState::Normal, false);
  Pump();
  const int width = gtk_widget_get_allocated_width(panel.Widget());
  const int height = gtk_widget_get_allocated_height(panel.Widget());
  for (const char* text : {"TimeOut", "1ms", "9999ms", "-1ms"}) {
    SCOPED_TRACE(text);
    panel.SetText(text);
    cairo_surface_t* image = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
    cairo_t* cr = cairo_create(image);
    gtk_widget_draw(panel.Widget(), cr);
    cairo_destroy(cr);
    cairo_surface_flush(image);
    const unsigned char* pixels = cairo_image_surface_get_data(image);
    const int stride = cairo_image_surface_get_stride(image);
    auto at = [&](int x, int y) {
      return *reinterpret_cast<const std::uint32_t*>(pixels +
                                                     static_cast<std::ptrdiff_t>(y) * stride +
                                                     static_cast<std::ptrdiff_t>(x) * 4) &
             0xFFFFFF;
    };
    const std::uint32_t background = at(0, 0);
    int left = width, right = -1, top = height, bottom = -1;
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        if (at(x, y) != background) {
          left = std::min(left, x);
          right = std::max(right, x);
          top = std::min(top, y);
          bottom = std::max(bottom, y);
        }
      }
    }
    cairo_surface_destroy(image);
    ASSERT_GE(right, 0) << "no ink";
    EXPECT_LE(std::abs(left - (width - 1 - right)), 2) << left << " and " << width - 1 - right;
    EXPECT_LE(std::abs(top - (height - 1 - bottom)), 4) << top << " and " << height - 1 - bottom;
  }
}

TEST_F(ControlsTest, PanelIsReadAsALabelNamedByItsCaption) {
  gtk::Form& form = MakeForm();
  gtk::Control& panel = MakeControl(form, TControlKind::Panel, TBounds{0, 0, 79, 25});
  AtkObject* accessible = gtk_widget_get_accessible(panel.Widget());
  EXPECT_EQ(atk_object_get_role(accessible), ATK_ROLE_LABEL);
  EXPECT_STREQ(atk_object_get_name(accessible), "");
  panel.SetText("23ms");
  EXPECT_STREQ(atk_object_get_name(accessible), "23ms");
  EXPECT_EQ(panel.Text(), "23ms");
}

// What an announcement sends to assistive technology, as ATK signals.
struct Heard {
  std::vector<std::string> Shown;      // the info bar's name each time it tells it shows
  std::vector<std::string> Announced;  // the toolkit's own announcements of the panel
  static void OnState(AtkObject* bar, const gchar* state, gboolean value, gpointer self) {
    if (g_strcmp0(state, "showing") == 0 && value) {
      static_cast<Heard*>(self)->Shown.emplace_back(atk_object_get_name(bar));
    }
  }
  static void OnAnnouncement(AtkObject*, const gchar* text, gpointer self) {
    static_cast<Heard*>(self)->Announced.emplace_back(text);
  }
  static void OnNotification(AtkObject*, const gchar* text, gint politeness, gpointer self) {
    // ATK_LIVE_POLITE is 1: a result never interrupts what the reader is saying.
    static_cast<Heard*>(self)->Announced.emplace_back(std::string(text) +
                                                      (politeness == 1 ? "" : " (not polite)"));
  }
};

TEST_F(ControlsTest, PanelAnnouncesItsCaptionThroughAnInfoBarAndTheToolkit) {
  gtk::Form& form = MakeForm();
  auto& panel =
      static_cast<gtk::Panel&>(MakeControl(form, TControlKind::Panel, TBounds{0, 0, 79, 25}));
  ASSERT_NE(panel.Announcer(), nullptr);
  AtkObject* bar = gtk_widget_get_accessible(panel.Announcer());
  AtkObject* accessible = gtk_widget_get_accessible(panel.Widget());
  EXPECT_EQ(atk_object_get_role(bar), ATK_ROLE_INFO_BAR);
  EXPECT_FALSE(gtk_widget_get_can_focus(panel.Announcer()));
  Heard heard;
  g_signal_connect(bar, "state-change", G_CALLBACK(Heard::OnState), &heard);
  const bool notification = g_signal_lookup("notification", ATK_TYPE_OBJECT) != 0;
  const bool announcement = g_signal_lookup("announcement", ATK_TYPE_OBJECT) != 0;
  if (notification) {
    g_signal_connect(accessible, "notification", G_CALLBACK(Heard::OnNotification), &heard);
  } else if (announcement) {
    g_signal_connect(accessible, "announcement", G_CALLBACK(Heard::OnAnnouncement), &heard);
  }
  form.Show(fw::TWindowState::Normal, false);
  Pump();
  EXPECT_TRUE(gtk_widget_get_mapped(panel.Announcer())) << "a bar never shown is never read";
  heard.Shown.clear();  // the window's own showing

  // The same text twice is two announcements; setting the text alone is none.
  for (const char* text : {"23ms", "TimeOut", "TimeOut"}) {
    panel.SetText(text);
    panel.Announce();
  }
  panel.SetText("650ms");
  const std::vector<std::string> expected = {"23ms", "TimeOut", "TimeOut"};
  EXPECT_EQ(heard.Shown, expected);
  if (notification || announcement) {
    EXPECT_EQ(heard.Announced, expected);
  }
  std::printf("ATK %d.%d: the toolkit's announcement is %s\n", ATK_MAJOR_VERSION, ATK_MINOR_VERSION,
              notification   ? "\"notification\""
              : announcement ? "\"announcement\""
                             : "missing");
  // The panel itself stays a label named by its caption, and the bar draws nothing.
  EXPECT_EQ(atk_object_get_role(accessible), ATK_ROLE_LABEL);
  EXPECT_STREQ(atk_object_get_name(accessible), "650ms");
  EXPECT_STREQ(gtk_label_get_text(GTK_LABEL(panel.Announcer())), "");
  g_signal_handlers_disconnect_by_data(bar, &heard);
  g_signal_handlers_disconnect_by_data(accessible, &heard);
}

TEST_F(ControlsTest, ControlsAreHeardByTheirAccessibleNames) {
  gtk::Form& form = MakeForm();
  struct Case {
    TControlKind Kind;
    const char* Caption;
    const char* Name;      // set by the layout
    const char* Expected;  // what assistive technology reads
  };
  const Case cases[] = {
      {TControlKind::Edit, "198", "IPアドレス 1", "IPアドレス 1"},
      {TControlKind::Edit, "5000", "タイムアウト ms", "タイムアウト ms"},
      {TControlKind::CheckBox, "定期実行", "", "定期実行"},
      {TControlKind::Button, "OK", "", "OK"},
  };
  for (const Case& c : cases) {
    fw::ControlParams params;
    params.Kind = c.Kind;
    params.Text = c.Caption;
    params.Bounds = TBounds{8, 16, 25, 20};
    params.TabStop = true;
    params.AccessibleName = c.Name;
    logs.push_back(std::make_unique<gtktest::ControlLog>());
    controls.push_back(form.CreateControl(params, *logs.back()));
    auto& control = static_cast<gtk::Control&>(*controls.back());
    EXPECT_STREQ(atk_object_get_name(gtk_widget_get_accessible(control.Widget())), c.Expected)
        << c.Caption;
  }
}

TEST_F(ControlsTest, FocusLeavesOnlyForAnotherControlOfTheForm) {
  gtk::Form& form = MakeForm();
  gtk::Control& first = MakeControl(form, TControlKind::Edit, TBounds{8, 16, 25, 20});
  gtk::Control& second = MakeControl(form, TControlKind::Edit, TBounds{48, 16, 25, 20});
  gtk::Control& third = MakeControl(form, TControlKind::Edit, TBounds{88, 16, 25, 20});
  gtk_widget_grab_focus(first.Widget());
  EXPECT_EQ(LogOf(0).Leaves, 0);
  gtk_widget_grab_focus(second.Widget());
  EXPECT_EQ(LogOf(0).Leaves, 1);
  // Focus taken from the form as a whole (the window loses its focus widget) is no leave.
  gtk_window_set_focus(form.Window(), nullptr);
  EXPECT_EQ(LogOf(1).Leaves, 0);
  gtk_widget_grab_focus(third.Widget());
  controls[2].reset();  // the focused control goes away
  EXPECT_EQ(LogOf(2).Leaves, 0);
}

TEST_F(ControlsTest, TabFollowsTheOrderTheControlsWereMadeIn) {
  gtk::Form& form = MakeForm();
  // Made in tab order, placed against it: GTK's own order would go by position.
  gtk::Control& a = MakeControl(form, TControlKind::Edit, TBounds{128, 70, 25, 20});
  MakeControl(form, TControlKind::Label, TBounds{8, 8, 20, 12}, "ms");
  gtk::Control& b = MakeControl(form, TControlKind::CheckBox, TBounds{64, 40, 65, 17}, "x");
  MakeControl(form, TControlKind::GroupBox, TBounds{0, 0, 161, 44}, "IP");
  gtk::Control& c = MakeControl(form, TControlKind::Button, TBounds{0, 0, 49, 25}, "OK");
  form.Show(fw::TWindowState::Normal, false);
  GtkWidget* window = GTK_WIDGET(form.Window());
  EXPECT_EQ(gtk_window_get_focus(form.Window()), a.Widget());  // the first one, once shown
  const GtkWidget* forward[] = {b.Widget(), c.Widget(), a.Widget()};
  for (const GtkWidget* expected : forward) {
    gtk_widget_child_focus(window, GTK_DIR_TAB_FORWARD);
    EXPECT_EQ(gtk_window_get_focus(form.Window()), expected);
  }
  const GtkWidget* backward[] = {c.Widget(), b.Widget(), a.Widget()};
  for (const GtkWidget* expected : backward) {
    gtk_widget_child_focus(window, GTK_DIR_TAB_BACKWARD);
    EXPECT_EQ(gtk_window_get_focus(form.Window()), expected);
  }
}

TEST_F(ControlsTest, LabelsGrowToTheirCaptionAndFramesTakeNoFocus) {
  gtk::Form& form = MakeForm();
  gtk::Control& label = MakeControl(form, TControlKind::Label, TBounds{40, 24, 2, 12}, "分ごと");
  gtk::Control& group = MakeControl(form, TControlKind::GroupBox, TBounds{0, 0, 161, 44}, "IP");
  gtk::Control& bevel = MakeControl(form, TControlKind::Bevel, TBounds{8, 56, 81, 44});
  form.Show(fw::TWindowState::Normal, false);
  Pump();
  EXPECT_GT(gtk_widget_get_allocated_width(label.Widget()), 2);
  EXPECT_GE(gtk_widget_get_allocated_height(label.Widget()), 12);
  EXPECT_EQ(gtk_widget_get_allocated_width(group.Widget()), 161);
  EXPECT_FALSE(gtk_widget_get_can_focus(group.Widget()));
  EXPECT_FALSE(gtk_widget_get_can_focus(bevel.Widget()));
  EXPECT_FALSE(gtk_widget_get_can_focus(label.Widget()));
  EXPECT_EQ(atk_object_get_role(gtk_widget_get_accessible(group.Widget())), ATK_ROLE_GROUPING);
}

TEST_F(ControlsTest, SmallControlsKeepTheLayoutSizes) {
  gtk::Form& form = MakeForm();
  gtk::Control& button = MakeControl(form, TControlKind::Button, TBounds{80, 0, 49, 25}, "Check");
  gtk::Control& field = MakeControl(form, TControlKind::Edit, TBounds{8, 16, 25, 20}, "198");
  gtk::Control& box =
      MakeControl(form, TControlKind::CheckBox, TBounds{16, 48, 65, 17}, "定期実行");
  form.Show(fw::TWindowState::Normal, false);
  Pump();
  struct Case {
    gtk::Control& Control;
    int Width;
    int Height;
  };
  const Case cases[] = {{button, 49, 25}, {field, 25, 20}, {box, 65, 17}};
  for (const Case& c : cases) {
    EXPECT_EQ(gtk_widget_get_allocated_width(c.Control.Widget()), c.Width) << c.Control.Text();
    EXPECT_EQ(gtk_widget_get_allocated_height(c.Control.Widget()), c.Height) << c.Control.Text();
  }
}

}  // namespace
