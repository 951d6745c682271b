#include "link/SendLine.h"

#include <cstring>

#include "framework/Platform.h"
#include "link/CommandLine.h"
#include "link/LinkReports.h"
#include "link/Receiver.h"
#include "link/SerialPort.h"

bool PortReady() {
  if (PortHandle != INVALID_HANDLE_VALUE) return true;
  ReportNoPort();
  return false;
}

void SendLine(const char* text, bool echo) {
  // The echo goes first, so the pane shows a line before any byte of it
  // leaves; the terminator is a write of its own, made whatever the first
  // write returned. Should the echo fail (the erase countdown finds no timer
  // left), the line is still written before the error is reported: the
  // command the user gave is not lost to a failure of the display.
  try {
    ReportLine(text, echo);
  } catch (...) {
    WritePort(text);
    WritePort(LineTerminator);
    throw;
  }
  WritePort(text);
  WritePort(LineTerminator);
}

bool WritePort(const char* text) {
  // No port: none was picked, or the line's first write found it lost.
  // INVALID_HANDLE_VALUE is also the current process's pseudo-handle, never
  // a thing to write to.
  if (PortHandle == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const DWORD size = static_cast<DWORD>(std::strlen(text));
  if (Platform.WriteFile(PortHandle, text, size, &written, nullptr)) {
    NoteLineSent();  // an answer is likely: the receiver looks at once, then often
    return true;
  }
  // A port that has gone away is closed here, on the window's thread, as the
  // receiver would have it closed; a write that follows (the terminator)
  // then writes nothing.
  if (IsPortLostError(GetLastError())) ClosePort();
  return false;
}
