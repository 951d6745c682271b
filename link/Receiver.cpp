#include "link/Receiver.h"

#include <atomic>

#include "app/TerminalPane.h"
#include "link/SerialPort.h"

ReceiveBuffer RxBuffer;

namespace {

// GetTickCount of the last traffic; starts "long ago" so an idle port polls
// slowly from the start.
std::atomic<DWORD> LastLinkActivity{GetTickCount() - ReceiveBusySpanMs};

DWORD NextPollInterval() { return ReceivePollInterval(LastLinkActivity.load(), GetTickCount()); }

// Posts the line to the window's thread; never waits for it.
const LineSink ShowReceivedLine = [](const char* line) { ShowLine(line, true); };

}  // namespace

void NoteLinkActivity() { LastLinkActivity.store(GetTickCount()); }

void NoteLineSent() {
  NoteLinkActivity();
  // The answer should not wait for the end of a quiet-time pause that is
  // already running: wake the receiver now.
  SetEvent(TRead::SentEvent());
}

DWORD ReceivePollInterval(DWORD lastActivity, DWORD now) {
  // Unsigned difference: right across the tick counter's wrap-around.
  return now - lastActivity < ReceiveBusySpanMs ? ReceiveBusyPollMs : ReceiveIdlePollMs;
}

TRead::TRead() : TThread(false) {}

HANDLE TRead::WakeEvent() {
  // Manual reset: a stop asked for before the loop's first wait, or while it
  // reads, is still seen by the next wait.
  static const HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  return event;
}

HANDLE TRead::SentEvent() {
  // Auto reset: one line sent cuts one pause short.
  static const HANDLE event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  return event;
}

void TRead::Pause(DWORD ms) {
  const HANDLE events[] = {WakeEvent(), SentEvent()};
  WaitForMultipleObjects(2, events, FALSE, ms);
}

// The loop keeps no call pending on the port: it asks how much has arrived,
// reads that, and otherwise waits on its own stop event for a short while.
// A blocking WaitCommEvent would be worse on both platforms: on Windows every
// call on a non-overlapped handle waits for the one in progress, so the
// window's writes would stall behind it; under Wine on a pseudo-terminal it
// returns at once, every time, and the loop would spin.
void TRead::ReceiveLoop() {
  FreeWhenDone = true;
  // Stable while this receiver runs: OpenPort starts a receiver only after
  // counting its open, and opens nothing else before stopping it.
  const unsigned generation = PortGeneration();
  bool lost = false;
  while (!StopRequested.load()) {
    if (lost) {
      // The port is gone: leave it alone and wait for ClosePort, which the
      // window's thread runs on the request below.
      Pause(INFINITE);
      continue;
    }
    DWORD errors = 0;  // line errors are cleared here and not reported
    COMSTAT status{};
    // Its COMSTAT is meaningless when the call fails.
    if (!ClearCommError(PortHandle, &errors, &status)) {
      lost = IsPortLostError(GetLastError());
      if (lost) {
        RequestLostPortClose(generation);
      } else {
        Pause(NextPollInterval());
      }
      continue;
    }
    if (status.cbInQue > 0) {
      const ReadOutcome read = ReadPort(false);
      if (read.PortLost) {
        lost = true;
        RequestLostPortClose(generation);
        continue;
      }
      // More may have arrived meanwhile; a read that gave nothing although
      // bytes were reported waits like an idle pass, so it cannot spin.
      if (read.Count > 0) {
        NoteLinkActivity();
        continue;
      }
    }
    Pause(NextPollInterval());
  }
}

ReadOutcome ReadPort(bool discard) {
  ReadOutcome outcome;
  const DWORD space = static_cast<DWORD>(ReceiveSpace(RxBuffer));
  if (!ReadFile(PortHandle, ReceiveTail(RxBuffer), space, &outcome.Count, nullptr)) {
    outcome.Count = 0;
    outcome.PortLost = IsPortLostError(GetLastError());
  }
  CommitReceived(RxBuffer, outcome.Count);
  if (discard) {
    DiscardReceived(RxBuffer);
  } else {
    FlushReceivedLines(RxBuffer, ShowReceivedLine);
  }
  return outcome;
}
