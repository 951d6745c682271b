// What the device link reports to the window above it. The link never
// touches a window, a menu or a control: its user (the main window, when it
// is created) installs these reports, and every report runs on the main
// thread, whichever thread the news came from. Until reports are installed,
// nothing is reported.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

struct TLinkReports {
  // A line for the terminal pane from the window's own thread: a key
  // command's echo or a typed line that was sent (show false: the pane shows
  // it as typed already). In every case it is activity on the link. The text
  // is borrowed for the call.
  std::function<void(const char* text, bool show)> ShowLine;
  // Lines received from the processor, oldest first: every line handed over
  // since the last such report, at least one. Each is activity on the link,
  // as a line through ShowLine would be. Borrowed for the call.
  std::function<void(const std::vector<std::string>& lines)> ShowReceived;
  // The port that is open now, 1 to 8, or 0 when none is: after every open,
  // every failed open and every close (a lost port included).
  std::function<void(DWORD port)> PortMarks;
  // An action (a key press, an Enter) found no port open; it is not carried
  // out. The user is told to pick one; the report returns once told.
  std::function<void()> NoPort;
};

// Main thread. Replaces the reports; an empty one reports nothing. The
// reports are kept in storage that is never destroyed, so a replacement made
// during the process's end finds them intact.
void InstallLinkReports(TLinkReports reports);

// Main thread. Pass a report on, if one is installed.
void ReportLine(const char* text, bool show);
void ReportReceived(const std::vector<std::string>& lines);
void ReportPortMarks(DWORD port);
void ReportNoPort();

// Any thread. Hands a received line over to the main thread, where it is
// reported through ShowReceived in the order handed over; never waits. Lines
// handed over while the main thread is busy go together: they wait in one
// list and a single unit of the mailbox reports them all in one call, so a
// burst costs the pane one edit and the mailbox one unit rather than one
// per line. A line handed over once the mailbox has closed is dropped, and so
// are lines still waiting when it closes.
void HandOverLine(const char* text);

// The receiver. Hands a received line over as HandOverLine does, except
// while lines stream in: then it may be held back for a moment, and the lines
// held go together (the rule and its reasons: link/StreamGathering.h). A line
// the window's thread reports (ReportLine) first takes the held lines to the
// pane, so its place among them is where it would have been had they gone at
// once. `now` is in milliseconds of any clock that steps once a millisecond,
// wrap-around included.
void HandOverStreamedLine(const char* text, DWORD now);

// The receiver. Sends the lines held back on their way once their interval
// is up, or at once when `all` (the receiver is ending: nothing may wait on
// it). Returns how many milliseconds are left until the held lines are due,
// INFINITE when none are held: the receiver pauses no longer than that.
DWORD SendHeldLines(DWORD now, bool all);
