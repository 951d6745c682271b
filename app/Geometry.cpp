#include "app/Geometry.h"

namespace geometry {

Point InitialPlacement(int screenWidth, int screenHeight) {
  Point p;
  p.Top = SmallestTop;
  if (screenHeight > TallScreenHeight) p.Top = SmallestTop + (screenHeight - TallScreenHeight) / 2;
  p.Left = screenWidth / 2 - HalfWidth;
  return p;
}

ResizeOutcome ApplyResizeRule(int height) {
  ResizeOutcome r;
  r.PaneVisible = height > LargestHiddenHeight;
  r.Height = r.PaneVisible ? height : CompactHeight;
  r.Width = WindowWidth;
  return r;
}

int MemoHeight(int windowHeight) { return windowHeight - MemoHeightOffset; }

}  // namespace geometry
