#include "link/SendLine.h"

#include <cstdio>
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
  // write returned: after a line cut short it ends the fragment, which the
  // processor then refuses, so the next line arrives whole. Should the echo
  // fail (the erase countdown finds no timer left), the line is still
  // written before the error is reported: the command the user gave is not
  // lost to a failure of the display.
  try {
    ReportLine(text, echo);
  } catch (...) {
    WritePort(text);
    WritePort(LineTerminator);
    throw;
  }
  const bool textSent = WritePort(text);
  const DWORD textError = GetLastError();
  const bool endSent = WritePort(LineTerminator);
  // A port that went away was closed silently; one still open that did not
  // take the line whole is the user's to hear about.
  if ((textSent && endSent) || PortHandle == INVALID_HANDLE_VALUE) return;
  char message[80];
  std::snprintf(message, sizeof message, "Line not sent: the port reported error %lu",
                static_cast<unsigned long>(textSent ? GetLastError() : textError));
  throw ELineNotSent(message);
}

bool WritePort(const char* text) {
  // No port: none was picked, or the line's first write found it lost.
  // INVALID_HANDLE_VALUE is also the current process's pseudo-handle, never
  // a thing to write to.
  if (PortHandle == INVALID_HANDLE_VALUE) return false;
  const DWORD size = static_cast<DWORD>(std::strlen(text));
  DWORD done = 0;
  DWORD error = ERROR_SUCCESS;
  // A write the driver cut short or failed for a passing reason (an abort
  // after a line error, its own time-out) is made once more for the bytes
  // left, after ClearCommError has lifted any abort state.
  for (int attempt = 0; attempt < 2 && done < size; ++attempt) {
    DWORD written = 0;
    const bool ok = Platform.WriteFile(PortHandle, text + done, size - done, &written, nullptr);
    if (!ok) error = GetLastError();
    if (written <= size - done) done += written;
    if (ok) continue;
    // A port that has gone away is closed here, on the window's thread, as
    // the receiver would have it closed; a write that follows (the
    // terminator) then writes nothing.
    if (IsPortGone(error)) {
      ClosePort();
      SetLastError(error);
      return false;
    }
    DWORD errors = 0;
    COMSTAT status{};
    Platform.ClearCommError(PortHandle, &errors, &status);  // its own failure changes nothing here
  }
  if (done < size) {
    SetLastError(error == ERROR_SUCCESS ? ERROR_WRITE_FAULT : error);
    return false;
  }
  NoteLineSent();  // an answer is likely: the receiver looks at once, then often
  return true;
}
