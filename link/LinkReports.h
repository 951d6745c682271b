// What the device link reports to the window above it. The link never
// touches a window, a menu or a control: its user (the main window, when it
// is created) installs these reports, and every report runs on the main
// thread, whichever thread the news came from. Until reports are installed,
// nothing is reported.
#pragma once

#include <windows.h>

#include <functional>

struct TLinkReports {
  // A line for the terminal pane: a key command's echo, a typed line that was
  // sent (show false: the pane shows it as typed already) or a line received
  // from the processor. In every case it is activity on the link. The text is
  // borrowed for the call.
  std::function<void(const char* text, bool show)> ShowLine;
  // The port that is open now, 1 to 8, or 0 when none is: after every open,
  // every failed open and every close (a lost port included).
  std::function<void(DWORD port)> PortMarks;
};

// Main thread. Replaces the reports; an empty one reports nothing.
void InstallLinkReports(TLinkReports reports);

// Main thread. Pass a report on, if one is installed.
void ReportLine(const char* text, bool show);
void ReportPortMarks(DWORD port);

// Any thread. Hands a received line over to the main thread, where it is
// reported through ShowLine (show true) in the order handed over; never
// waits. A line handed over once the mailbox has closed is dropped.
void HandOverLine(const char* text);
