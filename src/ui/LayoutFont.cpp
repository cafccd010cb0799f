// The font of the layout: the one face both windows use, at a height and weight.
#include "ui/LayoutFont.h"

namespace ui {

namespace {

const char* const kFontFace = "ＭＳ Ｐゴシック";

}  // namespace

fw::TFont LayoutFont(int height, bool bold) {
  fw::TFont font;
  font.Face = kFontFace;
  font.Height = height;
  font.Bold = bold;
  return font;
}

}  // namespace ui
