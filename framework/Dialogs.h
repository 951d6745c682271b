// Application-modal message boxes. Every box the program shows goes through
// ShowModalBox, so that tests can answer boxes through a hook instead of a
// person (the hook sees exactly what a person would have seen).
#pragma once

#include <windows.h>

#include <functional>
#include <string>

// Shows a message box modal to the whole application: every other enabled
// top-level window of the calling thread is disabled while it is shown (the
// owner is disabled by the box itself, and enabled again before it goes), and
// the window that was active before is made active again afterwards. The
// box belongs to the application's main window while it exists, whichever
// window (of this program or another) is active, so it never stands alone;
// a box raised while another box of the main window is up (from inside that
// box's loop) belongs to that box instead. When no window of the thread was
// active, the owner is activated afterwards. Returns the button chosen
// (IDOK, ...).
int ShowModalBox(const std::string& text, const std::string& caption, UINT flags);

// When set, ShowModalBox calls the hook instead of showing a box, and
// returns what the hook returns. Tests only.
using TMessageBoxHook =
    std::function<int(const std::string& text, const std::string& caption, UINT flags)>;
void SetMessageBoxHook(TMessageBoxHook hook);
