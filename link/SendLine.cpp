#include "link/SendLine.h"

#include <cstdio>
#include <cstring>
#include <string>

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

namespace {

// Bytes of a line went out and its terminator did not: the processor holds
// an unended line, which would swallow the next one. Kept over a close and
// an open, as the processor keeps the fragment. Window's thread.
bool LineLeftOpen = false;

// Bytes the last WritePort got onto the port. Window's thread.
DWORD LastWriteTaken = 0;

// Writes the text and then its terminator in a write of its own, made
// whatever the first write returned: after a line cut short it ends the
// fragment, which the processor then refuses. When the terminator did not
// go either, the next line's text goes behind one, in the same write, so it
// arrives whole all the same. Returns the error that kept the line from
// going whole, ERROR_SUCCESS when it went.
DWORD WriteLine(const char* text) {
  const DWORD opening = LineLeftOpen ? sizeof LineTerminator - 1 : 0;
  const std::string bytes = std::string(LineTerminator, opening) + text;
  const bool textSent = WritePort(bytes.c_str());
  const DWORD textError = GetLastError();
  const DWORD taken = LastWriteTaken;
  const bool endSent = WritePort(LineTerminator);
  const DWORD endError = GetLastError();
  // A line is open when bytes of its text went and its end did not; one
  // left open before stays so while not even its opening went.
  if (endSent || taken == opening) {
    LineLeftOpen = false;
  } else if (taken > opening) {
    LineLeftOpen = true;
  }
  if (textSent && endSent) return ERROR_SUCCESS;
  return textSent ? endError : textError;
}

}  // namespace

void SendLine(const char* text, bool echo) {
  // The echo goes first, so the pane shows a line before any byte of it
  // leaves. Should the echo fail (the erase countdown finds no timer left),
  // the line is still written before the error is reported: the command the
  // user gave is not lost to a failure of the display.
  try {
    ReportLine(text, echo);
  } catch (...) {
    WriteLine(text);
    throw;
  }
  const DWORD error = WriteLine(text);
  // A port that went away was closed silently; one still open that did not
  // take the line whole is the user's to hear about.
  if (error == ERROR_SUCCESS || PortHandle == INVALID_HANDLE_VALUE) return;
  char message[80];
  std::snprintf(message, sizeof message, "Line not sent: the port reported error %lu",
                static_cast<unsigned long>(error));
  throw ELineNotSent(message);
}

bool WritePort(const char* text) {
  // No port: none was picked, or the line's first write found it lost.
  // INVALID_HANDLE_VALUE is also the current process's pseudo-handle, never
  // a thing to write to.
  LastWriteTaken = 0;
  if (PortHandle == INVALID_HANDLE_VALUE) return false;
  const DWORD size = static_cast<DWORD>(std::strlen(text));
  DWORD& done = LastWriteTaken;
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
