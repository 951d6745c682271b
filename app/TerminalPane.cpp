// The terminal pane: every line sent and received, the typed line, and the
// erase countdown. Everything here runs on the window's thread; received
// lines come here through the link's reports, which the link hands over to
// this thread.
#include "app/TerminalPane.h"

#include <string>

#include "app/MainForm.h"
#include "link/SendLine.h"

TypedLineBuffer TypedLine;

namespace {

// ------------------------------------------------------------------ pane

HWND PaneWindow() { return Main->CommBuff->Handle(); }

// Keeps the pane to PaneLineLimit lines. Trimming waits until a tenth more
// has gathered and then drops the oldest whole lines in one edit, so that
// the cost is paid once every hundred lines rather than at every line.
void TrimOldestLines() {
  HWND pane = PaneWindow();
  const int lines = static_cast<int>(SendMessageA(pane, EM_GETLINECOUNT, 0, 0));
  if (lines <= PaneLineLimit + PaneLineLimit / 10) return;

  const std::string text = Main->CommBuff->Lines()->Text();
  size_t cut = static_cast<size_t>(SendMessageA(pane, EM_LINEINDEX, lines - PaneLineLimit, 0));
  // With word wrap a displayed line may be the tail of a longer one: cut
  // only where a line of the traffic begins, never in the middle of one.
  if (cut > 0 && !(cut >= 2 && text.compare(cut - 2, 2, "\r\n") == 0)) {
    const size_t next = text.find("\r\n", cut);
    if (next == std::string::npos) return;
    cut = next + 2;
  }

  DWORD sel_start = 0, sel_end = 0;
  SendMessageA(pane, EM_GETSEL, reinterpret_cast<WPARAM>(&sel_start),
               reinterpret_cast<LPARAM>(&sel_end));
  // The memo's own update guard, not WM_SETREDRAW straight to the control:
  // switching redrawing back on marks a hidden window visible on Windows,
  // behind the framework's back, and the guard does it only while the pane
  // is showing.
  TMemoStrings* memo = Main->CommBuff->Lines();
  memo->BeginUpdate();
  SendMessageA(pane, EM_SETSEL, 0, static_cast<LPARAM>(cut));
  SendMessageA(pane, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(""));
  // The caret stays where it was in the text that remains.
  const auto shift = [cut](DWORD pos) { return pos >= cut ? pos - static_cast<DWORD>(cut) : 0; };
  SendMessageA(pane, EM_SETSEL, shift(sel_start), static_cast<LPARAM>(shift(sel_end)));
  SendMessageA(pane, EM_SCROLLCARET, 0, 0);
  memo->EndUpdate();
}

}  // namespace

void ShowLine(const char* text, bool show) {
  if (!Main) return;  // the window is gone: nothing to show
  if (show) {
    Main->CommBuff->Lines()->Add(text);
    TrimOldestLines();
  }
  RestartEraseTimer();
}

// The whole burst in one edit: most of what an append costs is the edit
// control's work over all of its text (rewrapping, repainting), and that is
// paid once for the burst instead of once a line, so the cost of a line
// falls as bursts grow (docs/performance.md). The lines are in the
// pane when this returns: the link's hand-over (link/LinkReports.cpp) has
// gathered them, and nothing is held back here, so the window's own lines
// fall between received ones exactly where the window's thread handled
// each. Restarting the countdown once stands for every line of the burst:
// nothing runs between them.
void ShowReceived(const std::vector<std::string>& lines) {
  if (!Main || lines.empty()) return;
  Main->CommBuff->Lines()->AddStrings(lines);
  TrimOldestLines();
  RestartEraseTimer();
}

void RestartEraseTimer() {
  if (!Main->MenuErase->Checked()) return;
  // Stopping and starting again makes the countdown run its full interval
  // from now, whether or not it was running.
  Main->EraseTimer->SetEnabled(false);
  Main->EraseTimer->SetEnabled(true);
}

// ------------------------------------------------------------- handlers

void TMain::CommBuffKeyPress(TObject*, char& Key) {
  // The typed line comes from the character events alone; the character
  // itself is left for the pane to apply to its own text.
  ApplyTypedChar(TypedLine, Key);
  RestartEraseTimer();
  if (Key == EnterChar) {
    if (PortReady()) SendLine(TypedText(TypedLine), false);
    EmptyTypedLine(TypedLine);
  }
}

void TMain::EraseTimerEvent(TObject*) {
  CommBuff->Lines()->Clear();
  EraseTimer->SetEnabled(false);
}

void TMain::MenuEraseClick(TObject*) {
  MenuErase->SetChecked(!MenuErase->Checked());
  EraseTimer->SetEnabled(false);
  if (MenuErase->Checked()) CommBuff->Lines()->Clear();
}
