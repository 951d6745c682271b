// How much of the traffic the terminal pane keeps, apart from Win32 so it can
// be tested anywhere. The pane (app/TerminalPane.cpp) asks PaneTrimPoint
// after it has added lines and removes everything in front of the answer.
//
// A line here is a line of the traffic: the text between two CR LF pairs,
// however many rows it wraps to in the pane. The text after the last CR LF
// counts as a line when it holds anything (a line typed and not yet ended,
// or a line added behind one).
//
// The bound is two-fold. Lines: the pane keeps at least the newest
// PaneKeptLines whole lines. Characters: a flood of long lines must not grow
// the pane without limit, so the text is bounded too; the limit leaves room
// for PaneKeptLines of the longest lines the receiver passes on, so only
// lines longer than that (never the processor's own) make the pane keep
// fewer lines. Trimming waits until a tenth more than is kept has gathered
// (PaneLineBound, PaneCharBound): the cut costs about one append, so it is
// paid once every couple of hundred lines rather than at each. The figures
// behind the numbers are in docs/performance.md.
#pragma once

#include <cstddef>
#include <string>

#include "link/LineSplitter.h"

struct PaneBounds {
  // Trimming starts when the text holds more lines, or more characters.
  std::size_t MaxLines;
  std::size_t MaxChars;
  // What a trim leaves: the newest whole lines, at most this many and at
  // most this many characters, line breaks included.
  std::size_t KeptLines;
  std::size_t KeptChars;
};

constexpr std::size_t PaneKeptLines = 2000;
// The longest received line (RxCapacity characters, its CR included) and
// the CR LF the pane ends it with.
constexpr std::size_t PaneKeptChars = PaneKeptLines * (RxCapacity + 2);
constexpr std::size_t PaneLineBound = PaneKeptLines + PaneKeptLines / 10;
constexpr std::size_t PaneCharBound = PaneKeptChars + PaneKeptChars / 10;

constexpr PaneBounds PaneBound{PaneLineBound, PaneCharBound, PaneKeptLines, PaneKeptChars};

// The lines of the text, as defined above.
std::size_t PaneLineCount(const std::string& text);

// The CR LF pairs in the text. A text has as many lines as line breaks, one
// more when something follows the last break.
std::size_t PaneLineBreaks(const std::string& text);

// Where the text should begin after a trim: 0 while it is within both
// maxima; otherwise the start of the oldest line of the newest lines that
// fit both kept figures. The newest line itself is always kept, however long
// it is: it may be the line being typed.
std::size_t PaneTrimPoint(const std::string& text, const PaneBounds& bounds = PaneBound);
