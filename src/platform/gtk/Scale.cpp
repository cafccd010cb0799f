// The scale of the 96-dpi layout on this desktop.
#include "platform/gtk/Scale.h"

#include <gtk/gtk.h>

#include <cstdint>

namespace gtk {

namespace {

// Resolutions outside this range are no desktop's: 1/4 to 16 times 96 dpi.
constexpr int kLowest = 24 * 1024;
constexpr int kHighest = 1536 * 1024;

}  // namespace

Scale::Scale(int dpi1024) : dpi1024_(dpi1024 >= kLowest && dpi1024 <= kHighest ? dpi1024 : kBase) {}

Scale Scale::OfDesktop() {
  gint dpi = -1;
  g_object_get(gtk_settings_get_default(), "gtk-xft-dpi", &dpi, nullptr);
  return Scale(dpi);
}

int Scale::Px(int length) const {
  const std::int64_t product = std::int64_t{length} * dpi1024_;
  const std::int64_t half = product >= 0 ? kBase / 2 : -(kBase / 2);
  return static_cast<int>((product + half) / kBase);
}

}  // namespace gtk
