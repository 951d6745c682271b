#include "framework/Dialogs.h"

#include <vector>

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

}  // namespace

void SetMessageBoxHook(TMessageBoxHook hook) { Hook() = std::move(hook); }

int ShowModalBox(const std::string& text, const std::string& caption, UINT flags) {
  HWND active = GetActiveWindow();
  std::vector<HWND> disabled;
  EnumThreadWindows(GetCurrentThreadId(), &CollectEnabled, reinterpret_cast<LPARAM>(&disabled));
  for (HWND hwnd : disabled) EnableWindow(hwnd, FALSE);

  int result;
  if (Hook()) {
    result = Hook()(text, caption, flags);
  } else {
    // Owned by the window that was active, so the box stays in front of it.
    result = MessageBoxA(active, text.c_str(), caption.c_str(), flags);
  }

  for (HWND hwnd : disabled) {
    if (IsWindow(hwnd)) EnableWindow(hwnd, TRUE);
  }
  if (active && IsWindow(active)) SetActiveWindow(active);
  return result;
}
