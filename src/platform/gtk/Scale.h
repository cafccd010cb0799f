// The scale of the 96-dpi layout on this desktop: the font resolution that the desktop asks
// for (Xft.dpi, which GTK takes into its setting gtk-xft-dpi) over 96. GDK's own integer scale
// (GDK_SCALE, or the desktop's window scaling) multiplies it again below GTK.
#pragma once

namespace gtk {

class Scale {
 public:
  // The layout as it is: 96 dpi.
  Scale() = default;
  // A resolution in 1024ths of a dot per inch, as gtk-xft-dpi gives it; none or a nonsense
  // value means 96 dpi.
  explicit Scale(int dpi1024);

  // The scale the desktop asks for now.
  static Scale OfDesktop();

  int Dpi1024() const { return dpi1024_; }
  // A length of the 96-dpi layout at this scale, rounded to the nearest pixel with halves
  // away from zero, as Windows scales a layout (MulDiv).
  int Px(int length) const;

  bool operator==(const Scale& other) const { return dpi1024_ == other.dpi1024_; }

 private:
  static constexpr int kBase = 96 * 1024;
  int dpi1024_ = kBase;
};

}  // namespace gtk
