// Command lines to the processor. Everything is sent on the window's thread:
// one line of text, then CR LF in a write of its own.
#pragma once

#include <windows.h>

#include "framework/SysUtils.h"

// A line that the open port did not take whole (the driver failed the write
// for a passing reason, twice). The message names the port's error.
class ELineNotSent : public Exception {
public:
  using Exception::Exception;
};

// True when a port is open. Otherwise reports that there is none
// (ReportNoPort), which returns once the user was told, and returns false. Called
// once at the start of an action (a key press, an Enter); the repeats of
// that action do not ask again.
bool PortReady();

// Reports the text as a line for the pane (ReportLine: shown when echo is
// true, activity in any case), then writes the text and CR LF to the port.
// When an earlier line went without its CR LF, the text goes behind a CR LF
// of its own, in the same write, so it arrives as a line of its own.
// Raises ELineNotSent when the port, still open, took either write only in
// part or not at all; a port found gone is closed without a word.
void SendLine(const char* text, bool echo);

// Writes the text's bytes to the port: a synchronous write, and once more for
// the bytes left when the driver cut it short or failed it for a passing
// reason. True when every byte was taken. Otherwise false, with the port's
// error for GetLastError; a port found gone is closed first. With no port
// open nothing is written and false comes back.
bool WritePort(const char* text);
