// The main window's geometry rules, apart from Win32 so they can be tested
// anywhere. All sizes are outer window sizes in device pixels.
#pragma once

namespace geometry {

constexpr int WindowWidth = 215;
constexpr int CompactHeight = 677;    // pane hidden
constexpr int ExpandedHeight = 817;   // pane shown from the menu
constexpr int LargestHiddenHeight = 697;
constexpr int MemoHeightOffset = 681; // memo height = window height - this
constexpr int TallScreenHeight = 877; // screens taller than this centre the window vertically
constexpr int SmallestTop = 5;
constexpr int HalfWidth = 107;

struct Point {
  int Left;
  int Top;
};

// Where the window starts on a primary screen of the given size.
Point InitialPlacement(int screenWidth, int screenHeight);

// The resize rule: what a window dragged (or set) to the given height becomes.
struct ResizeOutcome {
  bool PaneVisible;
  int Height;
  int Width;
};
ResizeOutcome ApplyResizeRule(int height);

// Height of the terminal memo in a window of the given outer height. May be
// negative for a compact window, where the memo is hidden.
int MemoHeight(int windowHeight);

}  // namespace geometry
