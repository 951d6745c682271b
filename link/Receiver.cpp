#include "link/Receiver.h"

#include <atomic>

#include "framework/Mailbox.h"
#include "framework/Platform.h"
#include "framework/SysUtils.h"
#include "link/LinkReports.h"
#include "link/SerialPort.h"

ReceiveBuffer RxBuffer;

namespace {

// GetTickCount of the last line sent; starts "long ago" so a port polls at
// the steady pace from the start.
std::atomic<DWORD> LastLineSent{GetTickCount() - ReceiveBusySpanMs};

DWORD NextPollInterval() { return ReceivePollInterval(LastLineSent.load(), GetTickCount()); }

// Milliseconds of the high-resolution counter, as the hand-over's gathering
// takes them (GetTickCount steps by 15.6 ms on Windows).
DWORD HandOverClock() {
  static const LONGLONG frequency = [] {
    // Documented never to fail since Windows XP; a millisecond clock stands
    // in should it all the same, rather than a division by nothing.
    LARGE_INTEGER f{};
    return QueryPerformanceFrequency(&f) && f.QuadPart > 0 ? f.QuadPart : 1000;
  }();
  LARGE_INTEGER count;
  QueryPerformanceCounter(&count);
  const LONGLONG c = count.QuadPart;
  return static_cast<DWORD>(c / frequency * 1000 + c % frequency * 1000 / frequency);
}

// Posts the line to the window's thread, or holds it there for a moment
// while lines stream in; never waits for it.
void HandOverReceivedLine(const char* line) { HandOverStreamedLine(line, HandOverClock()); }

// The wait before the next look: the pace of the port, cut short when lines
// held back are due to go before then.
DWORD NextPause() {
  const DWORD held = SendHeldLines(HandOverClock(), false);
  const DWORD poll = NextPollInterval();
  return held < poll ? held : poll;
}

// Where the receiver's lines go: the hand-over, or a test's stand-in.
LineSink ReceivedLineSink = &HandOverReceivedLine;

// The open port's events (TRead::OpenEvents); written only while no
// receiver runs.
HANDLE Wake = nullptr;
HANDLE Sent = nullptr;

}  // namespace

void SetReceivedLineSink(LineSink sink) {
  ReceivedLineSink = sink ? std::move(sink) : LineSink(&HandOverReceivedLine);
}

void NoteLineSent() {
  LastLineSent.store(GetTickCount());
  // The answer should not wait for the end of a quiet-time pause that is
  // already running: wake the receiver now.
  Platform.SetEvent(TRead::SentEvent());
}

DWORD ReceivePollInterval(DWORD lastSent, DWORD now) {
  // Unsigned difference: right across the tick counter's wrap-around.
  return now - lastSent < ReceiveBusySpanMs ? ReceiveBusyPollMs : ReceiveIdlePollMs;
}

TRead::TRead() : TThread(false) {}

HANDLE TRead::WakeEvent() { return Wake; }

HANDLE TRead::SentEvent() { return Sent; }

// Without them every pause would return at once and the receiver would spin.
void TRead::OpenEvents() {
  // Manual reset: a stop asked for before the loop's first wait, or while it
  // reads, is still seen by the next wait.
  Wake = Platform.CreateEventA(nullptr, TRUE, FALSE, nullptr);
  // Auto reset: one line sent cuts one pause short.
  Sent = Platform.CreateEventA(nullptr, FALSE, FALSE, nullptr);
  if (Wake == nullptr || Sent == nullptr) {
    CloseEvents();
    throw EOutOfResources("Error creating event");
  }
}

void TRead::CloseEvents() {
  if (Wake != nullptr) Platform.CloseHandle(Wake);
  if (Sent != nullptr) Platform.CloseHandle(Sent);
  Wake = Sent = nullptr;
}

void TRead::Pause(DWORD ms) {
  const HANDLE events[] = {WakeEvent(), SentEvent()};
  // A wait the platform fails returns at once: sleeping instead keeps the
  // pace, so the loop cannot spin; a stop is then seen after the sleep.
  if (Platform.WaitForMultipleObjects(2, events, FALSE, ms) == WAIT_FAILED) Sleep(ms);
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
  bool stopped = false;
  try {
    stopped = ReceiveUntilStopOrLoss();
  } catch (...) {
    // The receiver cannot go on (say, no memory to hand a line over). It
    // ends as for a lost port, silently: the port is closed on the window's
    // thread, which stops this receiver the usual way.
  }
  try {
    // Nothing held back waits for a receiver that is ending.
    SendHeldLines(HandOverClock(), true);
  } catch (...) {
    // No memory to send them: they are lost, as on any such failure.
  }
  if (stopped) return;
  // Ending before ClosePort asks would release this object while ReadThread
  // still refers to it. Until then the request is asked again at every pause,
  // as the hand-over of lines asks: one that could not be made (no memory)
  // is made again, and one whose wake-up the platform refused (the message
  // quota on Windows) waits in the mailbox for a wake-up that comes.
  bool requested = false;
  while (!StopRequested.load()) {
    try {
      if (requested) {
        WakeMailbox();
      } else {
        RequestLostPortClose(generation);
        requested = true;
      }
    } catch (...) {
    }
    Pause(ReceiveIdlePollMs);
  }
}

bool TRead::ReceiveUntilStopOrLoss() {
  while (!StopRequested.load()) {
    DWORD errors = 0;  // line errors are cleared here and not reported
    COMSTAT status{};
    // Its COMSTAT is meaningless when the call fails.
    if (!Platform.ClearCommError(PortHandle, &errors, &status)) {
      if (IsPortGone(GetLastError())) return false;
      // A port that answers everything but this (a virtual port that fails
      // it every time with ERROR_INVALID_PARAMETER) is read without the
      // count, as much as the buffer takes: under the time-outs of the open
      // (or ones the port has that do the same) a read takes what has
      // arrived and never waits. Under any others a read of n bytes waits
      // for n bytes or the driver's own time-out, maybe for ever, and on
      // Windows the window's writes and the close wait behind it: such a
      // port receives nothing, and the receiver only keeps its pace.
      if (!PortReadsReturnAtOnce()) {
        Pause(NextPause());
        continue;
      }
      status.cbInQue = MAXDWORD;
    }
    if (status.cbInQue > 0) {
      const TReadOutcome read = ReadPort(false, status.cbInQue);
      if (read.PortLost) return false;
      // More may have arrived meanwhile; a read that gave nothing although
      // bytes were reported waits like an idle pass, so it cannot spin.
      if (read.Count > 0) continue;
    }
    Pause(NextPause());
  }
  return true;
}

TReadOutcome ReadPort(bool discard, DWORD waiting) {
  TReadOutcome outcome;
  // Never more than is waiting: a port whose "return at once" time-outs were
  // refused would otherwise hold the read until the whole request arrived.
  const DWORD room = static_cast<DWORD>(ReceiveSpace(RxBuffer));
  const DWORD ask = waiting < room ? waiting : room;
  if (!Platform.ReadFile(PortHandle, ReceiveTail(RxBuffer), ask, &outcome.Count, nullptr)) {
    const DWORD error = GetLastError();
    // What a failed read took is kept: a USB CDC driver now and then fails a
    // read with ERROR_OPERATION_ABORTED as its last byte arrives, the bytes
    // delivered. A count beyond the request is no count at all.
    if (outcome.Count > ask) outcome.Count = 0;
    outcome.PortLost = IsPortGone(error);
  }
  CommitReceived(RxBuffer, outcome.Count);
  if (discard) {
    DiscardReceived(RxBuffer);
  } else {
    FlushReceivedLines(RxBuffer, ReceivedLineSink);
  }
  return outcome;
}
