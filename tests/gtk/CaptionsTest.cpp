// Every caption of the two windows fits inside its control in each Japanese family that stands
// in for the layout's face and is installed here, at 96 dpi and at the scales of HiDPI
// desktops: its glyphs lie inside the control (clear of a group box's side lines, above the
// fields in the box), inside the caption widget's own allocation, and the control keeps the
// layout's width, so no window grows. The table of extents is printed.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "GtkFixture.h"
#include "platform/gtk/Style.h"

namespace {

using fw::TBounds;
using fw::TControlKind;
using gtktest::Allocation;
using gtktest::GtkFixture;

// A captioned control of the layouts (as ui/Main.cpp and ui/Config.cpp give them, group box
// contents in window coordinates) and the room its caption has: a label's reaches to the next
// control or to the inner edge of the frame around it.
struct Caption {
  const char* Name;
  TControlKind Kind;
  TBounds Bounds;
  const char* Text;
  TBounds Room;
};

const Caption kSettings[] = {
    {"GroupBox_IP", TControlKind::GroupBox, {0, 0, 161, 44}, "IPアドレス", {2, 0, 157, 16}},
    {"Label_IP0", TControlKind::Label, {40, 24, 2, 12}, ".", {40, 24, 8, 19}},
    {"Label_IP1", TControlKind::Label, {80, 24, 2, 12}, ".", {80, 24, 8, 19}},
    {"Label_IP2", TControlKind::Label, {120, 24, 2, 12}, ".", {120, 24, 8, 19}},
    {"GroupBox_TimeOut",
     TControlKind::GroupBox,
     {168, 0, 81, 44},
     "タイムアウト",
     {170, 0, 77, 16}},
    {"Label_TimeOut", TControlKind::Label, {224, 22, 15, 12}, "ms", {224, 22, 24, 21}},
    {"CheckBox_PingTime", TControlKind::CheckBox, {16, 48, 65, 17}, "定期実行", {16, 48, 65, 17}},
    {"Label_PingTime", TControlKind::Label, {48, 74, 32, 12}, "分ごと", {48, 74, 40, 25}},
    {"CheckBox_StayOnTop",
     TControlKind::CheckBox,
     {112, 52, 105, 17},
     "常に手前に表示",
     {112, 52, 105, 17}},
    {"Button_OK", TControlKind::Button, {104, 76, 129, 20}, "OK", {105, 77, 127, 18}},
};
const Caption kStatus[] = {
    {"Button_Check", TControlKind::Button, {80, 0, 49, 25}, "Check", {81, 1, 47, 23}},
};
// The panel's widest captions, in its bold 16-pixel font.
const char* const kPanelTexts[] = {"TimeOut", "9999ms"};

TBounds Scaled(const TBounds& b, const gtk::Scale& scale) {
  return TBounds{scale.Px(b.Left), scale.Px(b.Top), scale.Px(b.Width), scale.Px(b.Height)};
}

bool Inside(const TBounds& outer, const TBounds& inner) {
  return inner.Left >= outer.Left && inner.Top >= outer.Top &&
         inner.Left + inner.Width <= outer.Left + outer.Width &&
         inner.Top + inner.Height <= outer.Top + outer.Height;
}

std::string Text(const TBounds& b) {
  return std::to_string(b.Left) + "," + std::to_string(b.Top) + " " + std::to_string(b.Width) +
         "x" + std::to_string(b.Height);
}

// The widget that draws the control's caption.
GtkWidget* CaptionWidget(GtkWidget* control) {
  if (GTK_IS_FRAME(control)) {
    return gtk_frame_get_label_widget(GTK_FRAME(control));
  }
  if (GTK_IS_BIN(control)) {
    return gtk_bin_get_child(GTK_BIN(control));
  }
  return control;
}

// The caption's glyphs (ink) in the window's client area: a label draws its layout at its
// layout offsets, in the coordinates of the window it draws on, which is the client area.
TBounds Glyphs(GtkLabel* label) {
  int x = 0;
  int y = 0;
  gtk_label_get_layout_offsets(label, &x, &y);
  PangoRectangle ink{};
  pango_layout_get_pixel_extents(gtk_label_get_layout(label), &ink, nullptr);
  return TBounds{x + ink.x, y + ink.y, ink.width, ink.height};
}

// The families of the stand-in list that are installed, and the chain as the program asks for
// it (the layout's face first).
std::vector<std::string> FamiliesToMeasure() {
  std::vector<std::string> found{gtktest::kLayoutFace};
  PangoFontMap* map = pango_cairo_font_map_get_default();
  PangoFontFamily** families = nullptr;
  int count = 0;
  pango_font_map_list_families(map, &families, &count);
  for (const char* wanted : gtk::StandIns(gtktest::kLayoutFace)) {
    for (int i = 0; i < count; ++i) {
      if (g_strcmp0(pango_font_family_get_name(families[i]), wanted) == 0) {
        found.emplace_back(wanted);
        break;
      }
    }
  }
  g_free(static_cast<gpointer>(families));
  return found;
}

class CaptionsTest : public GtkFixture {
 protected:
  void TearDown() override {
    GtkFixture::TearDown();
    gtk_settings_reset_property(gtk_settings_get_default(), "gtk-xft-dpi");
  }

  // Makes the controls in the family, shows the window and measures each caption; returns the
  // problems.
  std::vector<std::string> Measure(const std::string& family, int dpi, TBounds client,
                                   std::span<const Caption> captions, bool panel) {
    const gtk::Scale scale(dpi * 1024);
    gtk::Form& form = MakeForm(fw::TBorderIcons::None, fw::TFormStyle::Normal, false, client);
    std::vector<gtk::Control*> made;
    for (const Caption& c : captions) {
      made.push_back(&MakeControl(form, c.Kind, c.Bounds, c.Text, 0, family));
    }
    gtk::Control* result = nullptr;
    if (panel) {
      result =
          &MakeControl(form, TControlKind::Panel, TBounds{0, 0, 79, 25}, "", 0, family, -16, true);
    }
    form.Show(fw::TWindowState::Normal, false);
    GtkWidget* content = gtk_bin_get_child(GTK_BIN(form.Window()));
    const TBounds wanted = Scaled(TBounds{0, 0, client.Width, client.Height}, scale);
    PumpUntil([&] {
      return gtk_widget_get_allocated_width(content) == wanted.Width &&
             gtk_widget_get_allocated_height(content) == wanted.Height;
    });
    std::vector<std::string> problems;
    const TBounds area = Allocation(content);
    if (area.Width != wanted.Width || area.Height != wanted.Height) {
      problems.push_back("the client area is " + Text(area) + ", want " + Text(wanted));
    }
    for (std::size_t i = 0; i < made.size(); ++i) {
      const Caption& c = captions[i];
      GtkWidget* widget = made[i]->Widget();
      auto* label = GTK_LABEL(CaptionWidget(widget));
      const TBounds glyphs = Glyphs(label);
      const TBounds room = Scaled(c.Room, scale);
      const TBounds own = Allocation(GTK_WIDGET(label));
      const TBounds control = Allocation(widget);
      const bool fits = Inside(room, glyphs) && Inside(own, glyphs);
      // A control keeps the layout's width (a wider one would widen the window); a family
      // with a tall line (Noto Sans CJK, Droid Sans Fallback) makes a check box a pixel taller,
      // downward, clear of the controls below it.
      const TBounds layout = Scaled(c.Bounds, scale);
      const bool kept = c.Kind == TControlKind::Label ||
                        (control.Left == layout.Left && control.Top == layout.Top &&
                         control.Width == layout.Width && control.Height >= layout.Height &&
                         control.Height <= layout.Height + 1);
      std::printf("  %-20s %-4d dpi %-15s glyphs %-16s room %-16s %s\n", family.c_str(), dpi,
                  c.Name, Text(glyphs).c_str(), Text(room).c_str(), fits ? "fits" : "DOES NOT FIT");
      if (!fits) {
        problems.push_back(std::string(c.Name) + " \"" + c.Text + "\": glyphs at " + Text(glyphs) +
                           ", room " + Text(room) + ", its widget " + Text(own));
      }
      if (!kept) {
        problems.push_back(std::string(c.Name) + " grew to " + Text(control));
      }
    }
    if (result != nullptr) {
      for (const char* text : kPanelTexts) {
        int width = 0;
        int height = 0;
        PangoLayout* layout = gtk_widget_create_pango_layout(result->Widget(), text);
        PangoRectangle ink{};
        pango_layout_get_pixel_extents(layout, &ink, nullptr);
        pango_layout_get_pixel_size(layout, &width, &height);
        g_object_unref(layout);
        const TBounds panelArea = Scaled(TBounds{0, 0, 79, 25}, scale);
        // Centred across, its line's top at half the free height: the glyphs' place.
        const TBounds glyphs{(panelArea.Width - width) / 2 + ink.x,
                             (panelArea.Height - height) / 2 + ink.y, ink.width, ink.height};
        const bool fits = Inside(panelArea, glyphs);
        std::printf("  %-20s %-4d dpi Panel %-9s glyphs %-16s room %-16s %s\n", family.c_str(), dpi,
                    text, Text(glyphs).c_str(), Text(panelArea).c_str(),
                    fits ? "fits" : "DOES NOT FIT");
        if (!fits) {
          problems.push_back(std::string("the panel's \"") + text + "\": glyphs at " +
                             Text(glyphs));
        }
      }
    }
    controls.clear();
    forms.clear();
    return problems;
  }
};

TEST_F(CaptionsTest, EveryCaptionFitsInEachInstalledJapaneseFamily) {
  const std::vector<std::string> families = FamiliesToMeasure();
  // fonts-ipafont-gothic gives the designed look; scripts/test installs it.
  ASSERT_GE(families.size(), 2u) << "no Japanese family of the stand-in list is installed";
  for (int dpi : {96, 144, 192}) {
    g_object_set(gtk_settings_get_default(), "gtk-xft-dpi", dpi * 1024, nullptr);
    for (const std::string& family : families) {
      for (const std::string& problem :
           Measure(family, dpi, TBounds{40, 50, 249, 101}, kSettings, false)) {
        ADD_FAILURE() << family << " at " << dpi << " dpi: " << problem;
      }
      for (const std::string& problem :
           Measure(family, dpi, TBounds{40, 300, 129, 25}, kStatus, true)) {
        ADD_FAILURE() << family << " at " << dpi << " dpi: " << problem;
      }
    }
  }
}

// The layout's face is asked for first and found nowhere on Linux; fontconfig then takes the
// first family of the stand-in list that it has.
TEST_F(CaptionsTest, TheLayoutsFaceResolvesToTheFirstInstalledStandIn) {
  const std::vector<std::string> families = FamiliesToMeasure();
  ASSERT_GE(families.size(), 2u);
  gtk::Form& form = MakeForm();
  gtk::Control& label = MakeControl(form, TControlKind::Label, TBounds{8, 8, 40, 12}, "分ごと");
  PangoContext* context = gtk_widget_get_pango_context(label.Widget());
  PangoFontDescription* asked = nullptr;
  GtkStyleContext* style = gtk_widget_get_style_context(label.Widget());
  gtk_style_context_get(style, gtk_style_context_get_state(style), "font", &asked, nullptr);
  PangoFont* font = pango_context_load_font(context, asked);
  ASSERT_NE(font, nullptr);
  PangoFontDescription* got = pango_font_describe(font);
  EXPECT_EQ(std::string(pango_font_description_get_family(got)), families[1]);
  std::printf("  the layout's face draws in %s\n", pango_font_description_get_family(got));
  pango_font_description_free(got);
  pango_font_description_free(asked);
  g_object_unref(font);
}

}  // namespace
