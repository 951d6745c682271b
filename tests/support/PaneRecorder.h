// Every line the terminal pane takes in, seen as it goes in: the pane keeps
// only its newest lines, so completeness and order over a long run can only
// be judged at the door. A subclass of the pane's EDIT window records the
// lines of each append (an EM_REPLACESEL with text; trimming replaces with
// nothing) and the moment the edit control has taken them. A burst of
// received lines is one append: its lines are recorded one by one, with the
// same moment. It also keeps, in order, the appends, removals and redraw
// switches the control was sent, for tests of how the pane edits it.
//
// Window's thread only: install, read and remove it there. One recorder at a
// time; it must be removed before the pane is destroyed.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

class PaneRecorder {
public:
  // Called on the window's thread for each line appended, with the line as
  // the pane got it and the performance counter right after the append.
  using Sink = std::function<void(const std::string& line, LONGLONG at)>;

  // With keepEvents the control's messages are kept for Events(); long runs
  // (the benchmarks) leave it off so the recorder's memory stays flat.
  explicit PaneRecorder(HWND pane, Sink sink = nullptr, bool keepEvents = false);
  ~PaneRecorder();
  PaneRecorder(const PaneRecorder&) = delete;
  PaneRecorder& operator=(const PaneRecorder&) = delete;

  // What the control was sent since the recorder was installed (with
  // keepEvents), oldest first: "append N" (an EM_REPLACESEL
  // adding N lines), "remove" (one replacing with nothing), "redraw off" and
  // "redraw on" (WM_SETREDRAW).
  const std::vector<std::string>& Events() const { return events_; }
  // The appends seen, kept or not.
  int Appends() const { return appends_; }

private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

  HWND pane_;
  WNDPROC previous_;
  Sink sink_;
  bool keep_events_;
  std::vector<std::string> events_;
  int appends_ = 0;
};

// The lines an append inserted at the end of the pane, given whether the
// pane's last line was empty before it. The memo puts each line's break
// behind it while the last line is empty and in front of it while the last
// line holds text (a line typed and not ended), and an empty line added
// behind text only ends that line. Where that leaves the text ambiguous
// (behind text, "" then "x" inserts what "x" then "" does), the lines are
// read as "x" then "".
std::vector<std::string> AppendedLines(const std::string& inserted, bool lastLineEmpty);
