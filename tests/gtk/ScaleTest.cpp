// The layout at the desktop's scale: Xft.dpi (GtkSettings' gtk-xft-dpi) over 96 times GDK's
// integer scale, at start and when either changes while the windows are shown.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <ostream>

#include "GtkFixture.h"

// After the program's headers: Xlib's macros (None among them) would change their names.
#include <X11/Xlib.h>
#include <gdk/gdkx.h>

namespace {

using fw::TBounds;
using fw::TControlKind;
using gtktest::Allocation;
using gtktest::GtkFixture;

struct Size {
  int Width;
  int Height;
  bool operator==(const Size&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Size& size) {
  return out << size.Width << "x" << size.Height;
}

// The size of the window's X window in the X server's pixels: its client area, since no window
// manager frames it here.
Size ClientSize(gtk::Form& form) {
  GdkWindow* window = gtk_widget_get_window(GTK_WIDGET(form.Window()));
  if (window == nullptr) {
    return Size{0, 0};
  }
  Window root = 0;
  int x = 0;
  int y = 0;
  unsigned width = 0;
  unsigned height = 0;
  unsigned border = 0;
  unsigned depth = 0;
  XGetGeometry(GDK_WINDOW_XDISPLAY(window), GDK_WINDOW_XID(window), &root, &x, &y, &width, &height,
               &border, &depth);
  return Size{static_cast<int>(width), static_cast<int>(height)};
}

// Whether the window has come to the size in the X server and GDK has taken that size too, from
// the X server's last notice of it. The X server can be asked at once; GDK learns a size from a
// notice in its queue, and one that comes late, after the window was sized again, would leave GDK
// with a size the window no longer has: the next change of GDK's scale resizes the window from
// that size.
bool Settled(gtk::Form& form, Size size) {
  GdkWindow* window = gtk_widget_get_window(GTK_WIDGET(form.Window()));
  const int scale = window != nullptr ? gdk_window_get_scale_factor(window) : 1;
  return ClientSize(form) == size && gdk_window_get_width(window) * scale == size.Width &&
         gdk_window_get_height(window) * scale == size.Height;
}

// The em height, in pixels, that the control's text is drawn at. GTK hands Pango a size in
// points for the screen's resolution (the desktop's Xft.dpi).
int FontPixels(gtk::Control& control) {
  GtkWidget* widget = control.Widget();
  if (GTK_IS_BIN(widget) && gtk_bin_get_child(GTK_BIN(widget)) != nullptr) {
    widget = gtk_bin_get_child(GTK_BIN(widget));
  }
  PangoFontDescription* font = nullptr;
  GtkStyleContext* context = gtk_widget_get_style_context(widget);
  gtk_style_context_get(context, gtk_style_context_get_state(context), "font", &font, nullptr);
  const double points = pango_font_description_get_size(font) / double{PANGO_SCALE};
  pango_font_description_free(font);
  return static_cast<int>(
      std::lround(points * gdk_screen_get_resolution(gdk_screen_get_default()) / 72));
}

struct Point {
  int X;
  int Y;
  bool operator==(const Point&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Point& point) {
  return out << point.X << "," << point.Y;
}

// Where the window's X window is on the screen, in the X server's pixels.
Point ScreenPosition(gtk::Form& form) {
  GdkWindow* window = gtk_widget_get_window(GTK_WIDGET(form.Window()));
  Window child = 0;
  int x = 0;
  int y = 0;
  XTranslateCoordinates(GDK_WINDOW_XDISPLAY(window), GDK_WINDOW_XID(window),
                        DefaultRootWindow(GDK_WINDOW_XDISPLAY(window)), 0, 0, &x, &y, &child);
  return Point{x, y};
}

class ScaleTest : public GtkFixture {
 protected:
  static void SetDpi(int dpi) { SetDpi1024(dpi * 1024); }
  static void SetDpi1024(int dpi1024) {
    g_object_set(gtk_settings_get_default(), "gtk-xft-dpi", dpi1024, nullptr);
  }

  void TearDown() override {
    GtkFixture::TearDown();
    gtk_settings_reset_property(gtk_settings_get_default(), "gtk-xft-dpi");
    if (scaled_) {
      gdk_x11_display_set_window_scale(gdk_display_get_default(), 1);
    }
  }

  bool scaled_ = false;  // GDK's scale was set, and stays set: it goes back to 1

  // The status window: its 79 x 25 panel in bold 16 px and its 49 x 25 "Check" button.
  gtk::Form& MakeStatusWindow() {
    gtk::Form& form =
        MakeForm(fw::TBorderIcons::Close, fw::TFormStyle::Normal, true, TBounds{100, 100, 129, 25});
    MakeControl(form, TControlKind::Panel, TBounds{0, 0, 79, 25}, "23ms", 0, gtktest::kLayoutFace,
                -16, true);
    MakeControl(form, TControlKind::Button, TBounds{80, 0, 49, 25}, "Check");
    return form;
  }
};

TEST_F(ScaleTest, TheLayoutFollowsXftDpi) {
  struct Case {
    int Dpi1024;
    Size Client;
    TBounds Panel;
    TBounds Button;
    int PanelFont;
    int ButtonFont;
    Size Empty;  // a 249 x 101 window with no controls to hold it open
  };
  const Case cases[] = {
      {96 * 1024, {129, 25}, {0, 0, 79, 25}, {80, 0, 49, 25}, 16, 12, {249, 101}},
      {120 * 1024, {161, 31}, {0, 0, 99, 31}, {100, 0, 61, 31}, 20, 15, {311, 126}},
      {144 * 1024, {194, 38}, {0, 0, 119, 38}, {120, 0, 74, 38}, 24, 18, {374, 152}},
      {192 * 1024, {258, 50}, {0, 0, 158, 50}, {160, 0, 98, 50}, 32, 24, {498, 202}},
      // 143.5 dpi: a fraction of a dot counts, as 143 dpi would give 192 x 37.
      {144 * 1024 - 512, {193, 37}, {0, 0, 118, 37}, {120, 0, 73, 37}, 24, 18, {372, 151}},
  };
  for (const Case& c : cases) {
    const int dpi = c.Dpi1024 / 1024;
    SetDpi1024(c.Dpi1024);
    gtk::Form& form = MakeStatusWindow();
    form.Show(fw::TWindowState::Normal, false);
    gtk::Form& empty = MakeForm();
    empty.Show(fw::TWindowState::Normal, false);
    auto& panel = static_cast<gtk::Control&>(*controls[controls.size() - 2]);
    auto& button = static_cast<gtk::Control&>(*controls.back());
    // The button is allocated a frame after the window takes its size: wait for both.
    EXPECT_TRUE(PumpUntil([&] {
      return ClientSize(form) == c.Client && Allocation(button.Widget()).Left == c.Button.Left &&
             ClientSize(empty) == c.Empty;
    })) << dpi
        << " dpi: " << ClientSize(form) << ", want " << c.Client << "; empty " << ClientSize(empty)
        << ", want " << c.Empty;
    const TBounds p = Allocation(panel.Widget());
    const TBounds b = Allocation(button.Widget());
    EXPECT_EQ((std::array{p.Left, p.Top, p.Width, p.Height}),
              (std::array{c.Panel.Left, c.Panel.Top, c.Panel.Width, c.Panel.Height}))
        << dpi << " dpi";
    EXPECT_EQ((std::array{b.Left, b.Top, b.Width, b.Height}),
              (std::array{c.Button.Left, c.Button.Top, c.Button.Width, c.Button.Height}))
        << dpi << " dpi";
    EXPECT_EQ(FontPixels(panel), c.PanelFont) << dpi << " dpi";
    EXPECT_EQ(FontPixels(button), c.ButtonFont) << dpi << " dpi";
    // Positions are in the units they were in before: the window stays where it was put.
    EXPECT_EQ(form.Position().X, 100);
    TearDown();
  }
}

TEST_F(ScaleTest, BothWindowsAreLaidOutAgainWhenTheScaleChanges) {
  gtk::Form& status = MakeStatusWindow();
  gtk::Form& settings = MakeForm();  // 249 x 101
  gtk::Control& group =
      MakeControl(settings, TControlKind::GroupBox, TBounds{168, 0, 81, 44}, "タイムアウト");
  gtk::Control& box =
      MakeControl(settings, TControlKind::CheckBox, TBounds{112, 52, 105, 17}, "常に手前に表示");
  gtk::Control& wide = MakeControl(settings, TControlKind::GroupBox, TBounds{0, 60, 100, 30}, "IP");
  status.Show(fw::TWindowState::Normal, false);
  settings.Show(fw::TWindowState::Normal, false);
  ASSERT_TRUE(PumpUntil([&] { return Settled(settings, Size{249, 101}); }));
  const Point statusAt = ScreenPosition(status);
  // Where a caption starts in its control: a check box's beyond its box and the gap after it, a
  // group box's its indent in from the frame (as a fraction of the room, so within a pixel).
  const auto captionAt = [](GtkWidget* caption, const gtk::Control& control) {
    return Allocation(caption).Left - Allocation(control.Widget()).Left;
  };
  GtkWidget* boxCaption = gtk_bin_get_child(GTK_BIN(box.Widget()));
  GtkWidget* groupCaption = gtk_frame_get_label_widget(GTK_FRAME(wide.Widget()));
  const int boxAt96 = captionAt(boxCaption, box);
  const int groupAt96 = captionAt(groupCaption, wide);
  struct Step {
    const char* What;
    int Dpi;
    int GdkScale;
    Size StatusClient;
    Size SettingsClient;
    TBounds Box;  // in the window's own units, which GDK's scale multiplies
  };
  const Step steps[] = {
      {"Xft.dpi 192", 192, 1, {258, 50}, {498, 202}, {224, 104, 210, 34}},
      {"Xft.dpi 144", 144, 1, {194, 38}, {374, 152}, {168, 78, 158, 26}},
      {"back to 96", 96, 1, {129, 25}, {249, 101}, {112, 52, 105, 17}},
      {"GDK scale 2", 96, 2, {258, 50}, {498, 202}, {112, 52, 105, 17}},
      {"GDK scale 2 and Xft.dpi 144", 144, 2, {388, 76}, {748, 304}, {168, 78, 158, 26}},
  };
  for (const Step& step : steps) {
    // GDK's scale first: setting it makes GTK take its settings again, and a resolution set
    // just before could then come back as the step before's. Each step waits until GDK has
    // taken the windows' sizes (Settled), or the next change of scale could start from a size
    // the window had before.
    gdk_x11_display_set_window_scale(gdk_display_get_default(), step.GdkScale);
    SetDpi(step.Dpi);
    scaled_ = true;
    // The children are allocated a frame after their window takes its new size, and a loaded
    // machine may show the window's size first: wait for both.
    const auto boxPlaced = [&] {
      const TBounds a = Allocation(box.Widget());
      return a.Left == step.Box.Left && a.Top == step.Box.Top && a.Width == step.Box.Width;
    };
    EXPECT_TRUE(PumpUntil([&] {
      return Settled(status, step.StatusClient) && Settled(settings, step.SettingsClient) &&
             boxPlaced();
    })) << step.What
        << ": status " << ClientSize(status) << ", settings " << ClientSize(settings);
    // The check box where the layout puts it, as wide as it says; GTK may let it grow a pixel
    // or two in height for its caption's baseline, inside the room below it.
    const TBounds b = Allocation(box.Widget());
    EXPECT_EQ((std::array{b.Left, b.Top, b.Width}),
              (std::array{step.Box.Left, step.Box.Top, step.Box.Width}))
        << step.What;
    EXPECT_GE(b.Height, step.Box.Height) << step.What;
    EXPECT_LE(b.Height, step.Box.Height + 2) << step.What;
    EXPECT_EQ(FontPixels(group), gtk::Scale(step.Dpi * 1024).Px(12)) << step.What;
    const gtk::Scale scale(step.Dpi * 1024);
    EXPECT_EQ(captionAt(boxCaption, box) - boxAt96, scale.Px(13 + 2) - 15) << step.What;
    EXPECT_NEAR(captionAt(groupCaption, wide) - groupAt96, scale.Px(6) - 6, 1) << step.What;
    GtkBorder padding{};
    gtk_style_context_get_padding(gtk_widget_get_style_context(groupCaption), GTK_STATE_FLAG_NORMAL,
                                  &padding);
    EXPECT_EQ(padding.left, scale.Px(1)) << step.What << ": the caption's padding scaled";
    // The windows stay where they are on the screen.
    EXPECT_EQ(ScreenPosition(status), statusAt) << step.What;
  }
}

TEST(ScaleRoundingTest, HalvesGoAwayFromZeroAsWindowsRoundsThem) {
  struct Case {
    int Dpi1024;
    int Length;
    int Scaled;
  };
  const Case cases[] = {
      {96 * 1024, 129, 129},
      {144 * 1024, 129, 194},
      {144 * 1024, 25, 38},
      {144 * 1024, -12, -18},
      {144 * 1024, -25, -38},
      {120 * 1024, 49, 61},
      {192 * 1024, 101, 202},
      {-1, 129, 129},  // none said: 96 dpi
      {0, 129, 129},
      {100 * 1024 * 1024, 129, 129},  // nonsense: 96 dpi
      {24 * 1024, 96, 24},            // a quarter and 16 times are the ends kept
      {24 * 1024 - 1, 96, 96},
      {1536 * 1024, 10, 160},
      {1536 * 1024 + 1, 10, 10},
      {98304 + 512, 1000, 1005},  // a fraction of a dot
  };
  for (const Case& c : cases) {
    EXPECT_EQ(gtk::Scale(c.Dpi1024).Px(c.Length), c.Scaled) << c.Dpi1024 << " " << c.Length;
  }
}

}  // namespace
