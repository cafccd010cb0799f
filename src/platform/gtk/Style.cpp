// The program's one CSS provider.
#include "platform/gtk/Style.h"

#include <cstdlib>

#include "framework/PlatformError.h"

namespace gtk {

namespace {

// Padding, borders and minimum sizes small enough for a 49 x 25 button, a 25 x 20 field and a
// 17 px check box, as the layouts give them; the check box paints the window's background, so a
// frame line behind it (the periodic box sits on its bevel's top edge) is hidden as on Windows.
// Buttons draw no shadow, which themes cast outside the button's bounds: the status window's
// one-pixel column between the panel and "Check" shows the window's background.
std::string Trims(const Scale& scale) {
  const std::string two = std::to_string(scale.Px(2)) + "px";
  const std::string one = std::to_string(scale.Px(1)) + "px";
  const std::string check = std::to_string(scale.Px(13)) + "px";
  return ".vorlix button { min-height: 0; min-width: 0; padding: 0 " + two +
         "; box-shadow: none; }\n"
         ".vorlix entry { min-height: 0; min-width: 0; padding: 0; border-radius: 0; }\n"
         ".vorlix checkbutton { min-height: 0; padding: 0; background-color: @theme_bg_color; }\n"
         ".vorlix checkbutton check { min-width: " +
         check + "; min-height: " + check + "; margin: 0 " + two +
         " 0 0; }\n"
         ".vorlix checkbutton label { padding: 0; margin: 0; }\n"
         ".vorlix frame > border { border-radius: 0; }\n"
         ".vorlix frame > label { margin: 0; padding: 0 " +
         one + "; }\n";
}

// Faces of the layouts that Linux desktops lack, and the Japanese families that distributions
// ship, in the order they stand in: the IPA fonts give the look the layouts were made with.
constexpr const char* kProportional[] = {"IPAPGothic", "Noto Sans CJK JP", "Droid Sans Fallback",
                                         "VL PGothic", "TakaoPGothic"};
constexpr const char* kFixedPitch[] = {"IPAGothic", "Noto Sans Mono CJK JP", "Droid Sans Fallback",
                                       "VL Gothic", "TakaoGothic"};

std::string Quoted(const std::string& text) {
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') {
      quoted += '\\';
    }
    quoted += c;
  }
  return quoted + "\"";
}

// A layout font's height is the character height in pixels without the internal leading when
// negative, which is what a CSS font size in px gives (the em height). The layouts use no
// positive (cell) heights; one is taken as the em height too.
std::string FontDeclarations(const fw::TFont& font, const Scale& scale) {
  std::string families = Quoted(font.Face);
  for (const char* family : StandIns(font.Face)) {
    families += ", " + Quoted(family);
  }
  std::string css = "font-family: " + families + ";";
  if (font.Height != 0) {
    css += " font-size: " + std::to_string(scale.Px(std::abs(font.Height))) + "px;";
  }
  css += font.Bold ? " font-weight: bold;" : " font-weight: normal;";
  return css;
}

bool SameLook(const fw::TFont& a, const fw::TFont& b) {
  return a.Face == b.Face && a.Height == b.Height && a.Bold == b.Bold;
}

}  // namespace

std::span<const char* const> StandIns(const std::string& face) {
  if (face == "ＭＳ Ｐゴシック") {
    return kProportional;
  }
  if (face == "ＭＳ ゴシック") {
    return kFixedPitch;
  }
  return {};
}

Style::Style(const Scale& scale) : provider_(gtk_css_provider_new()), scale_(scale) {
  Reload();
  gtk_style_context_add_provider_for_screen(gdk_screen_get_default(),
                                            GTK_STYLE_PROVIDER(provider_.get()),
                                            GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
}

Style::~Style() {
  gtk_style_context_remove_provider_for_screen(gdk_screen_get_default(),
                                               GTK_STYLE_PROVIDER(provider_.get()));
}

void Style::ApplyFont(GtkWidget* widget, const fw::TFont& font) {
  std::size_t index = 0;
  while (index < fonts_.size() && !SameLook(fonts_[index], font)) {
    ++index;
  }
  if (index == fonts_.size()) {
    fonts_.push_back(font);
    Reload();
  }
  const std::string name = "vx-font-" + std::to_string(index);
  gtk_style_context_add_class(gtk_widget_get_style_context(widget), name.c_str());
}

void Style::SetScale(const Scale& scale) {
  scale_ = scale;
  Reload();
}

void Style::Reload() {
  std::string css = Trims(scale_);
  for (std::size_t i = 0; i < fonts_.size(); ++i) {
    const std::string name = ".vx-font-" + std::to_string(i);
    css += name;
    css += ", ";
    css += name;
    css += " * { ";
    css += FontDeclarations(fonts_[i], scale_);
    css += " }\n";
  }
  GError* error = nullptr;
  if (!gtk_css_provider_load_from_data(provider_.get(), css.c_str(),
                                       static_cast<gssize>(css.size()), &error)) {
    const std::string message = error != nullptr ? error->message : "unknown error";
    g_clear_error(&error);
    throw fw::EPlatformError("the style sheet does not load: " + message);
  }
}

GdkRGBA ToRgba(fw::TColor color) {
  if ((color & fw::clSystemColor) != 0) {
    // The system colours the layouts use: window text is black, the button face light grey.
    color = color == fw::clBtnFace ? 0xF0F0F0u : 0x000000u;
  }
  return GdkRGBA{(color & 0xFF) / 255.0, ((color >> 8) & 0xFF) / 255.0,
                 ((color >> 16) & 0xFF) / 255.0, 1.0};
}

}  // namespace gtk
