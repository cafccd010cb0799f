// Where a window that the window system placed under the main window, or off its monitor, goes.
#include "framework/Placement.h"

#include <gtest/gtest.h>

namespace {

using fw::TBounds;

// A 1024 x 768 monitor with a 30-pixel panel along its top, and the settings window's frame
// size (its 249 x 101 client area in a 4-pixel border under a 22-pixel title bar).
const TBounds kWork{0, 30, 1024, 738};
constexpr int kW = 257;
constexpr int kH = 127;

TEST(PlacementTest, AWindowInViewStaysAndOthersGoBesideTheMainWindow) {
  struct Case {
    const char* Name;
    TBounds Placed;
    TBounds Main;
    int X;
    int Y;
  };
  const Case cases[] = {
      {"clear of it", {300, 200, kW, kH}, {0, 30, 137, 51}, 300, 200},
      {"touching its right edge", {137, 30, kW, kH}, {0, 30, 137, 51}, 137, 30},
      {"on it: below", {0, 30, kW, kH}, {0, 30, 137, 51}, 0, 81},
      {"centred on it: below, from its left", {400, 300, kW, kH}, {460, 340, 137, 51}, 460, 391},
      {"below, slid left to fit", {880, 300, kW, kH}, {880, 300, 137, 51}, 767, 351},
      {"at the bottom: to the right", {100, 700, kW, kH}, {100, 700, 137, 51}, 237, 641},
      {"bottom right corner: above", {887, 717, kW, kH}, {887, 717, 137, 51}, 767, 590},
      {"only the left is free", {700, 350, kW, kH}, {500, 120, 524, 640}, 243, 120},
      {"off the monitor: below it", {-50, 400, kW, kH}, {600, 100, 137, 51}, 600, 151},
      {"under the top panel: below it", {300, 0, kW, kH}, {600, 100, 137, 51}, 600, 151},
      {"nowhere beside it: moved into view", {900, 700, kW, kH}, {0, 30, 1024, 738}, 767, 641},
  };
  for (const Case& c : cases) {
    const fw::TPoint got = fw::PlaceInView(c.Placed, c.Main, kWork);
    EXPECT_EQ(got.X, c.X) << c.Name;
    EXPECT_EQ(got.Y, c.Y) << c.Name;
    const TBounds shown{got.X, got.Y, kW, kH};
    EXPECT_TRUE(fw::Contains(kWork, shown)) << c.Name;
  }
}

TEST(PlacementTest, AWindowLargerThanTheWorkAreaStartsAtItsTopLeft) {
  const TBounds main{0, 30, 137, 51};
  for (const TBounds& placed : {TBounds{300, 200, 1100, 800}, TBounds{-40, 10, 1100, 800}}) {
    const fw::TPoint got = fw::PlaceInView(placed, main, kWork);
    EXPECT_EQ(got.X, kWork.Left) << placed.Left;
    EXPECT_EQ(got.Y, kWork.Top) << placed.Left;
  }
}

TEST(PlacementTest, OverlapNeedsACommonPixel) {
  const TBounds a{10, 10, 20, 20};
  struct Case {
    TBounds B;
    bool Overlaps;
  };
  const Case cases[] = {
      {{29, 29, 5, 5}, true},  {{30, 10, 5, 5}, false}, {{10, 30, 5, 5}, false},
      {{0, 0, 10, 10}, false}, {{0, 0, 11, 11}, true},  {{15, 15, 0, 5}, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(fw::Overlaps(a, c.B), c.Overlaps) << c.B.Left << "," << c.B.Top;
    EXPECT_EQ(fw::Overlaps(c.B, a), c.Overlaps) << c.B.Left << "," << c.B.Top;
  }
}

}  // namespace
