// The form windows: the main form's taskbar entry and the others transient for it, the
// program's icon built in, and a first place under the main form moved below it.
#include <glib/gstdio.h>
#include <gtest/gtest.h>

#include <cstddef>
#include <string>
#include <vector>

#include "GtkFixture.h"
#include "platform/gtk/WindowIcon.h"

namespace {

using gtktest::GtkFixture;

class WindowsTest : public GtkFixture {};

TEST_F(WindowsTest, TheMainFormHasTheTaskbarEntryAndTheOthersAreItsUtilityWindows) {
  gtk::Form& plain = MakeForm(fw::TBorderIcons::None, fw::TFormStyle::Normal);
  gtk::Form& main = MakeForm(fw::TBorderIcons::Close, fw::TFormStyle::StayOnTop, true);
  for (gtk::Form* form : {&main, &plain}) {
    EXPECT_FALSE(gtk_window_get_resizable(form->Window()));
    EXPECT_STREQ(gtk_window_get_title(form->Window()), "Test form");
    EXPECT_STREQ(gtk_window_get_role(form->Window()), "TForm_Test");
  }
  EXPECT_EQ(gtk_window_get_type_hint(main.Window()), GDK_WINDOW_TYPE_HINT_NORMAL);
  EXPECT_FALSE(gtk_window_get_skip_taskbar_hint(main.Window()));
  EXPECT_FALSE(gtk_window_get_skip_pager_hint(main.Window()));
  EXPECT_TRUE(gtk_window_get_deletable(main.Window()));
  EXPECT_EQ(gtk_window_get_type_hint(plain.Window()), GDK_WINDOW_TYPE_HINT_UTILITY);
  EXPECT_TRUE(gtk_window_get_skip_taskbar_hint(plain.Window()));
  EXPECT_TRUE(gtk_window_get_skip_pager_hint(plain.Window()));
  EXPECT_FALSE(gtk_window_get_deletable(plain.Window()));
  // Made before the main form, or after it, or after the main form was rebuilt (its style
  // switched): transient for the main form there is.
  EXPECT_EQ(gtk_window_get_transient_for(plain.Window()), main.Window());
  gtk::Form& later = MakeForm();
  EXPECT_EQ(gtk_window_get_transient_for(later.Window()), main.Window());
  forms.erase(forms.begin() + 1);
  EXPECT_EQ(gtk_window_get_transient_for(plain.Window()), nullptr);
  gtk::Form& rebuilt = MakeForm(fw::TBorderIcons::Close, fw::TFormStyle::Normal, true);
  EXPECT_EQ(gtk_window_get_transient_for(plain.Window()), rebuilt.Window());
  EXPECT_EQ(gtk_window_get_transient_for(later.Window()), rebuilt.Window());
  // A hidden form reports the position it will show at.
  EXPECT_EQ(plain.Position().X, 40);
  EXPECT_EQ(plain.Position().Y, 50);
  plain.SetPosition(fw::TPoint{-5, 7});
  EXPECT_EQ(plain.Position().X, -5);
  EXPECT_EQ(plain.Position().Y, 7);
}

// The sizes of the images in an icon list.
std::vector<int> IconSizes(GList* list) {
  std::vector<int> sizes;
  for (GList* item = list; item != nullptr; item = item->next) {
    auto* pixbuf = GDK_PIXBUF(item->data);
    sizes.push_back(gdk_pixbuf_get_width(pixbuf) == gdk_pixbuf_get_height(pixbuf)
                        ? gdk_pixbuf_get_width(pixbuf)
                        : -1);
  }
  return sizes;
}

// An icon theme of its own in a temporary folder: hicolor, with a folder of 48-pixel icons
// that holds vorlix.png or not. The theme's search path goes back as it was at the end.
class OwnIconTheme {
 public:
  OwnIconTheme() {
    theme_ = gtk_icon_theme_get_default();
    gtk_icon_theme_get_search_path(theme_, &saved_, &savedLength_);
    folder_ = g_dir_make_tmp("vorlix-icons-XXXXXX", nullptr);
    apps_ = g_build_filename(folder_, "hicolor", "48x48", "apps", nullptr);
    index_ = g_build_filename(folder_, "hicolor", "index.theme", nullptr);
    icon_ = g_build_filename(apps_, "vorlix.png", nullptr);
    g_mkdir_with_parents(apps_, 0700);
    const char index[] =
        "[Icon Theme]\nName=Hicolor\nDirectories=48x48/apps\n\n"
        "[48x48/apps]\nSize=48\nType=Fixed\n";
    g_file_set_contents(index_, index, -1, nullptr);
    const gchar* path[] = {folder_};
    gtk_icon_theme_set_search_path(theme_, path, 1);
  }
  ~OwnIconTheme() {
    gtk_icon_theme_set_search_path(theme_, const_cast<const gchar**>(saved_), savedLength_);
    g_strfreev(saved_);
    g_remove(icon_);
    g_remove(index_);
    gchar* sizes = g_path_get_dirname(apps_);
    gchar* hicolor = g_path_get_dirname(sizes);
    for (gchar* folder : {apps_, sizes, hicolor, folder_}) {
      g_rmdir(folder);
    }
    for (gchar* text : {sizes, hicolor, folder_, apps_, index_, icon_}) {
      g_free(text);
    }
  }
  OwnIconTheme(const OwnIconTheme&) = delete;
  OwnIconTheme& operator=(const OwnIconTheme&) = delete;

  bool Install(GdkPixbuf* art) {
    const bool saved = gdk_pixbuf_save(art, icon_, "png", nullptr, nullptr) != FALSE;
    const gchar* path[] = {folder_};
    gtk_icon_theme_set_search_path(theme_, path, 1);  // looked at anew
    return saved;
  }

 private:
  GtkIconTheme* theme_ = nullptr;
  gchar** saved_ = nullptr;
  gint savedLength_ = 0;
  gchar* folder_ = nullptr;
  gchar* apps_ = nullptr;
  gchar* index_ = nullptr;
  gchar* icon_ = nullptr;
};

// Stay-on-top reaches the X server: a shown form asks to be kept above in its _NET_WM_STATE
// (which GDK writes when it maps the window, for the window manager to honour), and only then.
TEST_F(WindowsTest, AFormThatStaysOnTopAsksToBeKeptAbove) {
  gtk::Form& above = MakeForm(fw::TBorderIcons::Close, fw::TFormStyle::StayOnTop, true);
  gtk::Form& normal = MakeForm(fw::TBorderIcons::None, fw::TFormStyle::Normal);
  auto keptAbove = [](gtk::Form& form) {
    GdkWindow* window = gtk_widget_get_window(GTK_WIDGET(form.Window()));
    GdkAtom type = GDK_NONE;
    gint format = 0;
    gint length = 0;
    guchar* data = nullptr;
    bool found = false;
    if (gdk_property_get(window, gdk_atom_intern_static_string("_NET_WM_STATE"),
                         gdk_atom_intern_static_string("ATOM"), 0, 64, FALSE, &type, &format,
                         &length, &data)) {
      const auto* atoms = reinterpret_cast<const GdkAtom*>(data);
      const GdkAtom wanted = gdk_atom_intern_static_string("_NET_WM_STATE_ABOVE");
      for (gint i = 0; i < length / static_cast<gint>(sizeof(GdkAtom)); ++i) {
        found = found || atoms[i] == wanted;
      }
      g_free(data);
    }
    return found;
  };
  above.Show(fw::TWindowState::Normal, false);
  normal.Show(fw::TWindowState::Normal, false);
  Pump();
  EXPECT_TRUE(keptAbove(above));
  EXPECT_FALSE(keptAbove(normal));
}

// The window icon is the art built in, with the theme's "vorlix" installed or not, pixel for
// pixel what res/icons holds.
TEST_F(WindowsTest, WindowsShowTheBuiltInIconAsResIconsDrawIt) {
  const std::vector<int> sizes{16, 24, 32, 48};
  OwnIconTheme theme;
  GdkPixbuf* other = gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, 48, 48);
  gdk_pixbuf_fill(other, 0xff0000ff);
  ASSERT_TRUE(theme.Install(other));
  g_object_unref(other);
  gtk::SetProgramIcon();
  EXPECT_EQ(gtk_window_get_default_icon_name(), nullptr);
  GList* shown = gtk_window_get_default_icon_list();
  ASSERT_EQ(IconSizes(shown), sizes);
  for (GList* item = shown; item != nullptr; item = item->next) {
    auto* pixbuf = GDK_PIXBUF(item->data);
    const int size = gdk_pixbuf_get_width(pixbuf);
    const std::string path =
        std::string(VORLIX_SOURCE_DIR "/res/icons/") + std::to_string(size) + ".png";
    GdkPixbuf* file = gdk_pixbuf_new_from_file(path.c_str(), nullptr);
    ASSERT_NE(file, nullptr) << path;
    ASSERT_TRUE(gdk_pixbuf_get_has_alpha(pixbuf));
    const std::ptrdiff_t row = std::ptrdiff_t{size} * 4;
    for (std::ptrdiff_t y = 0; y < size; ++y) {
      const guchar* want = gdk_pixbuf_read_pixels(file) + y * gdk_pixbuf_get_rowstride(file);
      const guchar* got = gdk_pixbuf_read_pixels(pixbuf) + y * gdk_pixbuf_get_rowstride(pixbuf);
      ASSERT_EQ(std::vector<guchar>(got, got + row), std::vector<guchar>(want, want + row))
          << "size " << size << ", row " << y;
    }
    g_object_unref(file);
  }
  g_list_free(shown);
}

TEST_F(WindowsTest, AFormPlacedOverTheMainFormGoesBelowIt) {
  // No window manager here: X maps a window where it was made, the top-left corner, unless
  // the program moves it.
  gtk::Form& main =
      MakeForm(fw::TBorderIcons::Close, fw::TFormStyle::Normal, true, fw::TBounds{0, 0, 129, 25});
  main.Show(fw::TWindowState::Normal, false);
  ASSERT_TRUE(PumpUntil([&] { return gtk_widget_get_mapped(GTK_WIDGET(main.Window())); }));
  fw::FormParams params;
  params.ClassName = "TForm_Config";
  params.Client = fw::TBounds{201, 107, 249, 101};
  params.DefaultPosition = true;
  params.BorderIcons = fw::TBorderIcons::None;
  forms.push_back(backend.CreateForm(params, formLog));
  auto& settings = static_cast<gtk::Form&>(*forms.back());
  settings.Show(fw::TWindowState::Normal, true);
  EXPECT_TRUE(PumpUntil([&] { return settings.Position().Y == 25; }))
      << settings.Position().X << "," << settings.Position().Y;
  EXPECT_EQ(settings.Position().X, 0);
  // Hidden and shown again, it keeps its place, and so it does where the user put it, even
  // over the main form.
  for (const int y : {25, 10}) {
    settings.SetPosition(fw::TPoint{0, y});
    ASSERT_TRUE(PumpUntil([&] { return settings.Position().Y == y; }));
    settings.Hide();
    settings.Show(fw::TWindowState::Normal, true);
    Pump();
    EXPECT_EQ(settings.Position().Y, y);
  }
}

}  // namespace
