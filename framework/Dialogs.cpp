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

}  // namespace

void SetMessageBoxHook(TMessageBoxHook hook) { Hook() = std::move(hook); }

int ShowModalBox(const std::string& text, const std::string& caption, UINT flags) {
  // NULL when another program is in front: a box owned by it would stand
  // alone, with a task-bar button of its own.
  const HWND active = GetActiveWindow();
  const HWND main = MainWindow();
  const HWND owner = main ? main : active;
  // The owner stays enabled: the box disables and re-enables it itself. An
  // owner still disabled when the box is destroyed makes Windows activate
  // another program's window (Wine shows nothing wrong there).
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
