// Where a newly placed window goes so that it is in view.
#include "framework/Placement.h"

#include <algorithm>

namespace fw {

namespace {

// The start of a span of `length` kept inside [low, low + room) as far as it can be: a span
// longer than the room starts at its start.
int Slide(int start, int length, int low, int room) {
  return std::max(low, std::min(start, low + room - length));
}

}  // namespace

bool Overlaps(const TBounds& a, const TBounds& b) {
  return a.Width > 0 && a.Height > 0 && b.Width > 0 && b.Height > 0 && a.Left < b.Left + b.Width &&
         b.Left < a.Left + a.Width && a.Top < b.Top + b.Height && b.Top < a.Top + a.Height;
}

bool Contains(const TBounds& outer, const TBounds& inner) {
  return inner.Left >= outer.Left && inner.Top >= outer.Top &&
         inner.Left + inner.Width <= outer.Left + outer.Width &&
         inner.Top + inner.Height <= outer.Top + outer.Height;
}

TPoint PlaceInView(const TBounds& placed, const TBounds& main, const TBounds& workArea) {
  const TPoint own{placed.Left, placed.Top};
  if (Contains(workArea, placed) && !Overlaps(placed, main)) {
    return own;
  }
  const int w = placed.Width;
  const int h = placed.Height;
  const int acrossX = Slide(main.Left, w, workArea.Left, workArea.Width);
  const int acrossY = Slide(main.Top, h, workArea.Top, workArea.Height);
  const TPoint beside[] = {
      {acrossX, main.Top + main.Height},  // below
      {main.Left + main.Width, acrossY},  // to the right
      {acrossX, main.Top - h},            // above
      {main.Left - w, acrossY},           // to the left
  };
  for (const TPoint& corner : beside) {
    const TBounds candidate{corner.X, corner.Y, w, h};
    if (Contains(workArea, candidate) && !Overlaps(candidate, main)) {
      return corner;
    }
  }
  return TPoint{Slide(own.X, w, workArea.Left, workArea.Width),
                Slide(own.Y, h, workArea.Top, workArea.Height)};
}

}  // namespace fw
