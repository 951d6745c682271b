// The main window's placement and resize rules.
#include "app/Geometry.h"

#include <gtest/gtest.h>

namespace {

struct PlacementCase {
  int ScreenWidth, ScreenHeight, Left, Top;
};

TEST(WindowPlacement, CentresHorizontallyAndLowersOnTallScreens) {
  const PlacementCase cases[] = {
      {1024, 768, 405, 5},  {1280, 1024, 533, 78}, {1920, 877, 853, 5},
      {1920, 878, 853, 5},  {1920, 879, 853, 6},   {800, 600, 293, 5},
      {801, 600, 293, 5},   {1920, 1080, 853, 106}, {3840, 2160, 1813, 646},
  };
  for (const auto& c : cases) {
    const geometry::Point p = geometry::InitialPlacement(c.ScreenWidth, c.ScreenHeight);
    EXPECT_EQ(p.Left, c.Left) << c.ScreenWidth << "x" << c.ScreenHeight;
    EXPECT_EQ(p.Top, c.Top) << c.ScreenWidth << "x" << c.ScreenHeight;
  }
}

struct ResizeCase {
  int Dragged;
  bool Shown;
  int Height;
  int Memo;  // height of the memo in the resulting window
};

TEST(ResizeRule, HeightDecidesThePaneAndSmallHeightsSpringBack) {
  const ResizeCase cases[] = {
      {100, false, 677, -4}, {677, false, 677, -4}, {690, false, 677, -4}, {697, false, 677, -4},
      {698, true, 698, 17},  {817, true, 817, 136}, {900, true, 900, 219}, {5000, true, 5000, 4319},
  };
  for (const auto& c : cases) {
    const geometry::ResizeOutcome r = geometry::ApplyResizeRule(c.Dragged);
    EXPECT_EQ(r.PaneVisible, c.Shown) << c.Dragged;
    EXPECT_EQ(r.Height, c.Height) << c.Dragged;
    EXPECT_EQ(r.Width, 215) << c.Dragged;
    EXPECT_EQ(geometry::MemoHeight(r.Height), c.Memo) << c.Dragged;
    // The rule is settled after one run: running it again changes nothing.
    const geometry::ResizeOutcome again = geometry::ApplyResizeRule(r.Height);
    EXPECT_EQ(again.Height, r.Height);
    EXPECT_EQ(again.PaneVisible, r.PaneVisible);
  }
}

}  // namespace
