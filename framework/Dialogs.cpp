#include "framework/Dialogs.h"

#include <algorithm>
#include <vector>

#include "framework/Application.h"
#include "framework/Forms.h"
#include "framework/Platform.h"

namespace {

TMessageBoxHook& Hook() {
  static TMessageBoxHook hook;
  return hook;
}

BOOL CALLBACK CollectEnabled(HWND hwnd, LPARAM param) {
  if (IsWindowVisible(hwnd) && IsWindowEnabled(hwnd)) {
    reinterpret_cast<std::vector<HWND>*>(param)->push_back(hwnd);
  }
  return TRUE;
}

// The main window, when it has a window of its own now.
HWND MainWindow() {
  TForm* main = Application->MainForm();
  return main && main->HandleAllocated() ? main->Handle() : nullptr;
}

// The window of the program the user is on: the main window's most recently
// active popup (a box already up, when this one is raised from inside its
// loop; that box's own popups are followed too), or the main window itself.
// That window is enabled, where the main window is disabled by the box up:
// a box re-enables only an owner it disabled itself, and one destroyed while
// its owner is still disabled makes Windows activate another program's
// window (Wine shows nothing wrong there).
HWND OwnerFor(HWND main) {
  HWND owner = main;
  for (int depth = 0; depth < 16; ++depth) {
    const HWND popup = GetLastActivePopup(owner);
    if (!popup || popup == owner || !IsWindowVisible(popup)) break;
    owner = popup;
  }
  return owner;
}

}  // namespace

void SetMessageBoxHook(TMessageBoxHook hook) { Hook() = std::move(hook); }

int ShowModalBox(const std::string& text, const std::string& caption, UINT flags) {
  // NULL when another program is in front: a box owned by it would stand
  // alone, with a task-bar button of its own.
  const HWND active = GetActiveWindow();
  const HWND main = MainWindow();
  const HWND owner = main ? OwnerFor(main) : active;
  // The owner stays enabled: the box disables and re-enables it itself.
  std::vector<HWND> disabled;
  EnumThreadWindows(GetCurrentThreadId(), &CollectEnabled, reinterpret_cast<LPARAM>(&disabled));
  disabled.erase(std::remove(disabled.begin(), disabled.end(), owner), disabled.end());
  for (HWND hwnd : disabled) EnableWindow(hwnd, FALSE);

  int result;
  if (Hook()) {
    result = Hook()(text, caption, flags);
  } else {
    result = Platform.MessageBoxA(owner, text.c_str(), caption.c_str(), flags);
  }

  for (HWND hwnd : disabled) {
    if (IsWindow(hwnd)) EnableWindow(hwnd, TRUE);
  }
  const HWND back = active ? active : owner;
  if (back && IsWindow(back)) SetActiveWindow(back);
  return result;
}
