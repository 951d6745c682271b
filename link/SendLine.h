// Command lines to the processor. Everything is sent on the window's thread:
// one line of text, then CR LF in a write of its own.
#pragma once

#include <windows.h>

// True when a port is open. Otherwise reports that there is none
// (ReportNoPort), which returns once the user was told, and returns false. Called
// once at the start of an action (a key press, an Enter); the repeats of
// that action do not ask again.
bool PortReady();

// Reports the text as a line for the pane (ReportLine: shown when echo is
// true, activity in any case), then writes the text and CR LF to the port.
void SendLine(const char* text, bool echo);

// One synchronous write of the text's bytes; true when the write call
// succeeded. With no port open nothing is written and false comes back.
bool WritePort(const char* text);
