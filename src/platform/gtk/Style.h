// The program's one CSS provider: trims the controls of our windows to the layout's small sizes
// at the desktop's scale and gives each control its layout font.
#pragma once

#include <gtk/gtk.h>

#include <span>
#include <string>
#include <vector>

#include "framework/Types.h"
#include "platform/gtk/GObjectPtr.h"
#include "platform/gtk/Scale.h"

namespace gtk {

// The style class that every form window carries; the provider's rules apply only below it, so
// message dialogs keep the theme's look.
constexpr const char* kFormClass = "vorlix";

class Style {
 public:
  // Adds the provider to the default screen at application priority.
  explicit Style(const Scale& scale);
  ~Style();
  Style(const Style&) = delete;
  Style& operator=(const Style&) = delete;

  // Gives the widget the style class of the font, adding the font's rule on first use.
  void ApplyFont(GtkWidget* widget, const fw::TFont& font);
  // Sizes the trims and every font anew.
  void SetScale(const Scale& scale);

 private:
  void Reload();

  GObjectPtr<GtkCssProvider> provider_;
  Scale scale_;
  std::vector<fw::TFont> fonts_;  // index N is the font of class "vx-font-N"
};

// The installed families that stand in, in this order, for a layout's face that Linux lacks
// (none for other faces).
std::span<const char* const> StandIns(const std::string& face);

// A layout colour (red in the low byte) as Cairo's components, the system colours resolved.
GdkRGBA ToRgba(fw::TColor color);

}  // namespace gtk
