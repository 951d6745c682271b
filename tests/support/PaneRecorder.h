// Every line the terminal pane takes in, seen as it goes in: the pane keeps
// only its newest lines, so completeness and order over a long run can only
// be judged at the door. A subclass of the pane's EDIT window records the
// text of each append (an EM_REPLACESEL with text; trimming replaces with
// nothing) and the moment the edit control has taken it.
//
// Window's thread only: install, read and remove it there. One recorder at a
// time; it must be removed before the pane is destroyed.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

class PaneRecorder {
public:
  // Called on the window's thread for each line appended, with the line as
  // ShowLine got it and the performance counter right after the append.
  using Sink = std::function<void(const std::string& line, LONGLONG at)>;

  PaneRecorder(HWND pane, Sink sink);
  ~PaneRecorder();
  PaneRecorder(const PaneRecorder&) = delete;
  PaneRecorder& operator=(const PaneRecorder&) = delete;

private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

  HWND pane_;
  WNDPROC previous_;
  Sink sink_;
};

// The line an append inserted: the memo puts its line break on one side of
// the text ("text\r\n" or "\r\ntext").
std::string AppendedLine(const char* inserted);
