// The terminal pane: the traffic shown line by line in CommBuff, the line
// the user types into it, and the five-second erase countdown.
#pragma once

#include "app/TypedLine.h"

// The characters typed into the pane since the last Enter (window's thread).
extern TypedLineBuffer TypedLine;

// Adds the text to the pane as a line of its own when show is true, and
// restarts the erase countdown in any case. Callable from any thread: a call
// from another thread hands the line to the window's thread, where lines are
// added in the order they were handed over; the caller never waits for the
// window's thread. A line handed over once the pane is gone is dropped.
void ShowLine(const char* text, bool show);

// Restarts the erase countdown from its full five seconds while
// Settings > Terminal > Clear is checked (window's thread).
void RestartEraseTimer();

// The largest number of lines the pane keeps; past it the oldest whole
// lines go first, so that adding a line stays cheap however long the
// program runs.
constexpr int PaneLineLimit = 1000;

// Makes ready the hand-over of lines from other threads; called on the
// window's thread before any other thread may call ShowLine. Idempotent.
void StartLineHandOver();
// Ends the hand-over: lines still waiting are dropped, later ones too.
void EndLineHandOver();
