// The terminal pane: every line sent and received, the typed line, and the
// erase countdown. Everything here runs on the window's thread; received
// lines come here through the link's reports, which the link hands over to
// this thread.
#include "app/TerminalPane.h"

#include <string>
#include <vector>

#include "app/MainForm.h"
#include "framework/Application.h"
#include "link/SendLine.h"

TypedLineBuffer TypedLine;

namespace {

// ------------------------------------------------------------------ pane

HWND PaneWindow() { return Main->CommBuff->Handle(); }

// What the pane knows of its text without reading it: the length (in
// bytes, as Text() gives it) and the line breaks it had after the pane's own
// last edit, and where the text ended then in the control's own positions
// (bytes for Windows' control made with the ANSI calls, UTF-16 units for
// Wine's). Reading the whole text costs about half an append at the bound,
// and so does asking its length in bytes (GetWindowTextLengthA converts the
// whole text under Wine), so it is read only to trim, or when the end the
// append found is not where the pane left it: something else has changed
// the text since (typing, a clearing, a paste). The tally only decides when
// to look: a trim counts the text itself, so no line goes below the bound
// even if the tally is off. It can be off only after an edit that keeps the
// length (typed characters in place of as many others), and then by the few
// lines typed, until the next look.
struct TTextTally {
  bool Known = false;
  size_t Length = 0;
  size_t Breaks = 0;
  LRESULT End = 0;
};
TTextTally Tally;

// What one edit adds: the text of every line and one CR LF for each
// (TMemoStrings::Add and AddStrings put exactly one beside each line).
struct TAdded {
  size_t Chars = 0;
  size_t Breaks = 0;
  void Line(const std::string& line) {
    Chars += line.size() + 2;
    Breaks += PaneLineBreaks(line) + 1;
  }
};

// Keeps the pane within its bound (app/PaneBound.h) once lines have been
// added: drops the oldest whole lines in one edit when the bound is passed,
// and never before, whether Clear is checked or not.
void TrimOldestLines(const TAdded& added, const TMemoStrings::TSpan& span) {
  TMemoStrings* lines = Main->CommBuff->Lines();
  HWND pane = PaneWindow();
  // The append's own look at the control is the only one an edit needs: the
  // text ended where the pane's last edit left it only when nothing else
  // changed its length since. A control that took fewer characters than
  // added shows at the next append.
  const bool tallied = Tally.Known && span.From == Tally.End;
  Tally = {tallied, Tally.Length + added.Chars, Tally.Breaks + added.Breaks, span.To};
  // A text has at most one line more than it has breaks.
  if (tallied && Tally.Length <= PaneCharBound && Tally.Breaks < PaneLineBound) return;

  const std::string text = lines->Text();
  Tally = {true, text.size(), PaneLineBreaks(text), span.To};
  const size_t cut = PaneTrimPoint(text);
  if (cut == 0) return;
  // The text counts bytes, the control its own units (characters, under a
  // double-byte code page): the cut, the selection and the shift are all
  // in the control's.
  const DWORD at = static_cast<DWORD>(lines->Position(text, cut));

  DWORD selStart = 0, selEnd = 0;
  SendMessageA(pane, EM_GETSEL, reinterpret_cast<WPARAM>(&selStart),
               reinterpret_cast<LPARAM>(&selEnd));
  // The memo's own update guard, not WM_SETREDRAW straight to the control:
  // switching redrawing back on marks a hidden window visible on Windows,
  // behind the framework's back, and the guard does it only while the pane
  // is showing.
  lines->BeginUpdate();
  SendMessageA(pane, EM_SETSEL, 0, static_cast<LPARAM>(at));
  SendMessageA(pane, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(""));
  // The caret stays where it was in the text that remains.
  const auto shift = [at](DWORD pos) { return pos >= at ? pos - at : 0; };
  SendMessageA(pane, EM_SETSEL, shift(selStart), static_cast<LPARAM>(shift(selEnd)));
  SendMessageA(pane, EM_SCROLLCARET, 0, 0);
  lines->EndUpdate();
  // The part removed ends with a break: none is cut in two.
  Tally.Breaks -= PaneLineBreaks(text.substr(0, cut));
  Tally.Length -= cut;
  Tally.End -= static_cast<LRESULT>(at);
  // Should the cut have removed anything else, the next edit's look at the
  // length finds the tally off and counts again.
  Tally.Known = true;
}

}  // namespace

void ShowLine(const char* text, bool show) {
  if (!Main) return;  // the window is gone: nothing to show
  if (show) {
    // As Add would put it, with fewer questions to the control.
    const std::vector<std::string> line{std::string(text)};
    const TMemoStrings::TSpan span = Main->CommBuff->Lines()->AddStrings(line);
    TAdded added;
    added.Line(line.front());
    TrimOldestLines(added, span);
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
  const TMemoStrings::TSpan span = Main->CommBuff->Lines()->AddStrings(lines);
  TAdded added;
  for (const std::string& line : lines) added.Line(line);
  TrimOldestLines(added, span);
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
  // itself is left for the pane to apply to its own text. Text that reaches
  // the pane without them (a paste, an input method's composition) shows
  // there and is not sent by Enter. It may: the pane is the link's record,
  // typed into, and much of what it shows (echoes, received lines, older text
  // the caret was put into) is never sent either; the line sent is exactly
  // the keys typed.
  ApplyTypedChar(TypedLine, Key);
  // Nothing may keep the character from the pane: an exception out of this
  // handler would (the framework then applies no character), leaving the
  // pane's text apart from the typed line, an Enter's unsent text glued to
  // the next line on the screen. So a failure here (no timer left for the
  // countdown, a line the port did not take) is shown as an event's is,
  // and the event goes on. An Enter ends the typed line whatever happens to
  // it; a line sent restarts the countdown itself, so once is all.
  try {
    if (Key != EnterChar) {
      RestartEraseTimer();
    } else if (PortReady()) {
      SendLine(TypedText(TypedLine), false);
    } else {
      RestartEraseTimer();
    }
  } catch (...) {
    Application->HandleException(this);
  }
  if (Key == EnterChar) EmptyTypedLine(TypedLine);
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
