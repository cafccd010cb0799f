// The program's one CSS provider: trims the controls of our windows to the layout's small sizes
// and gives each control its layout font.
#pragma once

#include <gtk/gtk.h>

#include <string>
#include <vector>

#include "framework/Types.h"
#include "platform/gtk/GObjectPtr.h"

namespace gtk {

// The style class that every form window carries; the provider's rules apply only below it, so
// message dialogs keep the theme's look.
constexpr const char* kFormClass = "vorlix";

class Style {
 public:
  // Adds the provider to the default screen at application priority.
  Style();
  ~Style();
  Style(const Style&) = delete;
  Style& operator=(const Style&) = delete;

  // Gives the widget the style class of the font, adding the font's rule on first use.
  void ApplyFont(GtkWidget* widget, const fw::TFont& font);

 private:
  void Reload();

  GObjectPtr<GtkCssProvider> provider_;
  std::vector<std::string> fontRules_;  // index N is the rule of class "vx-font-N"
};

// A layout colour (red in the low byte) as Cairo's components, the system colours resolved.
GdkRGBA ToRgba(fw::TColor color);

}  // namespace gtk
