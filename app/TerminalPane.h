// The terminal pane: the traffic shown line by line in CommBuff, the line
// the user types into it, and the five-second erase countdown. How much of
// the traffic it keeps is in app/PaneBound.h.
#pragma once

#include <string>
#include <vector>

#include "app/PaneBound.h"
#include "app/TypedLine.h"

// The characters typed into the pane since the last Enter (window's thread).
extern TypedLineBuffer TypedLine;

// Adds the text to the pane as a line of its own when show is true, and
// restarts the erase countdown in any case (window's thread). The link
// reports the window's own lines through it: echoes and typed lines as they
// are sent.
void ShowLine(const char* text, bool show);

// Adds received lines to the pane, oldest first, in one edit, and restarts
// the erase countdown (window's thread). The link reports through it every
// burst of lines handed over from the receiver.
void ShowReceived(const std::vector<std::string>& lines);

// Restarts the erase countdown from its full five seconds while
// Settings > Terminal > Clear is checked (window's thread).
void RestartEraseTimer();
