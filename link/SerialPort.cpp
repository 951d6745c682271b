#include "link/SerialPort.h"

#include <atomic>
#include <cstdio>

#include "framework/Mailbox.h"
#include "framework/Platform.h"
#include "link/LinkReports.h"
#include "link/Receiver.h"

HANDLE PortHandle = INVALID_HANDLE_VALUE;
COMMTIMEOUTS PortTimeouts = {};
COMMTIMEOUTS SavedTimeouts = {};
TRead* ReadThread = nullptr;

namespace {

// The device-control block as the mode string is applied to it.
static_assert(sizeof(DCB) == 28, "DCB length field must be 28");

// Upper bound on the reads that drop a freshly opened port's pending input,
// so a peer that never pauses cannot hold the open up.
constexpr int MaxDropReads = 64;

// ERROR_NO_SUCH_DEVICE, which MinGW's headers lack.
constexpr DWORD ErrorNoSuchDevice = 433;

// Successful opens so far (window's thread writes, the receiver reads).
std::atomic<unsigned> OpenCount{0};

// What the open found; written by OpenPort before the receiver starts, so
// the receiver reads them unchanged. TimeoutsApplied: the port's reads
// return at once with what has arrived.
bool TimeoutsSaved = false;
bool TimeoutsApplied = false;

// A driver that fails the time-outs of the open may have them all the same
// (it took them and failed the call, or the port had them before): its reads
// are then as safe as when it took them.
bool HasReturnAtOnceTimeouts() {
  COMMTIMEOUTS now{};
  return Platform.GetCommTimeouts(PortHandle, &now) && now.ReadIntervalTimeout == MAXDWORD &&
         now.ReadTotalTimeoutMultiplier == 0 && now.ReadTotalTimeoutConstant == 0;
}

// Gives the handle up after a failed open. Nothing was started on it.
bool FailOpen() {
  Platform.CloseHandle(PortHandle);
  PortHandle = INVALID_HANDLE_VALUE;
  ReportPortMarks(0);
  return false;
}

// Drops whatever the port received before the receiver starts. RxBuffer is
// the window's thread's until then, so no receiver can be using it. Only
// what is waiting is read, so the open never waits for more to arrive.
void DropPendingInput() {
  for (int i = 0; i < MaxDropReads; ++i) {
    DWORD errors = 0;
    COMSTAT status{};
    // A port that cannot give the count is read as the receiver reads it.
    if (!Platform.ClearCommError(PortHandle, &errors, &status)) {
      if (!TimeoutsApplied) break;
      status.cbInQue = MAXDWORD;
    }
    if (status.cbInQue == 0 || ReadPort(true, status.cbInQue).Count == 0) break;
  }
  DiscardReceived(RxBuffer);
}

}  // namespace

unsigned PortGeneration() { return OpenCount.load(); }

bool OpenPort(DWORD n) {
  ClosePort();

  char name[16];
  std::snprintf(name, sizeof name, "COM%1lu", static_cast<unsigned long>(n));
  PortHandle = Platform.CreateFileA(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (PortHandle == INVALID_HANDLE_VALUE) {
    // No port is open.
    ReportPortMarks(0);
    return false;
  }
  // Settings the driver refuses leave the port as it is, and it counts as
  // open: some drivers refuse a time-out or a setting they do not support
  // (ERROR_INVALID_PARAMETER), and a CH340 fails the line settings of every
  // open after the first with ERROR_GEN_FAILURE until it is replugged, while
  // its line runs on as set before. Only a port that no longer answers
  // (IsPortGone) fails the open, as an absent one does: a device pulled out
  // while it is set up, or a Wine COM name whose device is missing, which
  // opens and then fails every call.
  DCB dcb{};
  dcb.DCBlength = sizeof(DCB);
  const bool stateRead = Platform.GetCommState(PortHandle, &dcb) != FALSE;
  if (!stateRead && IsPortGone(GetLastError())) return FailOpen();
  TimeoutsSaved = Platform.GetCommTimeouts(PortHandle, &SavedTimeouts) != FALSE;
  if (!TimeoutsSaved && IsPortGone(GetLastError())) return FailOpen();
  PortTimeouts.ReadIntervalTimeout = MAXDWORD;
  const bool timeoutsTaken = Platform.SetCommTimeouts(PortHandle, &PortTimeouts) != FALSE;
  if (!timeoutsTaken && IsPortGone(GetLastError())) return FailOpen();
  TimeoutsApplied = timeoutsTaken || HasReturnAtOnceTimeouts();
  // The mode string goes over the port's own block only: one made up here
  // would also set what the mode string leaves alone (flow control, the
  // XON and XOFF characters).
  if (stateRead && Platform.BuildCommDCBA("9600,N,8,1", &dcb) && !Platform.SetCommState(PortHandle, &dcb) &&
      IsPortGone(GetLastError())) {
    return FailOpen();
  }
  OpenCount.fetch_add(1);

  DropPendingInput();

  // No receiver without its events and its thread: the open then fails as
  // an open fails (the port closed, the marks cleared), and the error goes on
  // to the exception box.
  try {
    TRead::OpenEvents();
    ReadThread = TThread::Create<TRead>();
  } catch (...) {
    ClosePort();
    throw;
  }

  ReportPortMarks(n);
  return true;
}

void ClosePort() {
  if (PortHandle == INVALID_HANDLE_VALUE) return;
  if (ReadThread != nullptr) {
    // The receiver releases itself when its loop ends, possibly before the
    // wait begins: StopAndWaitFor takes what the wait needs beforehand. The
    // wake touches only the event, never the object.
    ReadThread->StopAndWaitFor([] { Platform.SetEvent(TRead::WakeEvent()); });
    ReadThread = nullptr;
  }
  TRead::CloseEvents();
  Platform.PurgeComm(PortHandle, PURGE_RXABORT);
  // Nothing to give back when they could not be read at the open.
  if (TimeoutsSaved) Platform.SetCommTimeouts(PortHandle, &SavedTimeouts);
  Platform.CloseHandle(PortHandle);
  PortHandle = INVALID_HANDLE_VALUE;
  ReportPortMarks(0);
}

// A device that is gone answers with one of these, depending on the driver
// and platform (docs/failures.md names the reports behind each):
// ERROR_NOT_READY (a pseudo-terminal whose other end closed, under Wine; also
// some USB adapters), ERROR_BAD_COMMAND, ERROR_ACCESS_DENIED,
// ERROR_GEN_FAILURE and ERROR_FILE_NOT_FOUND (USB adapters unplugged on
// Windows), ERROR_DEVICE_NOT_CONNECTED, ERROR_NO_SUCH_DEVICE,
// ERROR_DEVICE_REMOVED and ERROR_DEV_NOT_EXIST (the device object is gone),
// ERROR_INVALID_HANDLE (the handle no longer refers to a port),
// ERROR_INVALID_FUNCTION (no port behind the handle: every call on a Wine COM
// name whose device is missing).
// Left out on purpose, as "try again": ERROR_OPERATION_ABORTED (a port whose
// DCB asks to abort on errors fails reads and writes with it after a framing
// or parity error until ClearCommError; a USB CDC driver now and then fails
// a read with it as its last byte arrives), ERROR_SEM_TIMEOUT and
// ERROR_COUNTER_TIMEOUT (a driver's own time-out), ERROR_INVALID_PARAMETER
// (a call or setting the driver does not support).
bool IsPortLostError(DWORD error) {
  switch (error) {
    case ERROR_NOT_READY:
    case ERROR_BAD_COMMAND:
    case ERROR_ACCESS_DENIED:
    case ERROR_GEN_FAILURE:
    case ERROR_FILE_NOT_FOUND:
    case ERROR_DEVICE_NOT_CONNECTED:
    case ErrorNoSuchDevice:
    case ERROR_DEVICE_REMOVED:
    case ERROR_DEV_NOT_EXIST:
    case ERROR_INVALID_HANDLE:
    case ERROR_INVALID_FUNCTION:
      return true;
    default:
      return false;
  }
}

bool IsPortGone(DWORD error) {
  if (!IsPortLostError(error)) return false;
  DWORD errors = 0;
  COMSTAT status{};
  if (Platform.ClearCommError(PortHandle, &errors, &status)) return false;
  return IsPortLostError(GetLastError());
}

bool PortReadsReturnAtOnce() { return TimeoutsApplied; }

// The receiver cannot close its own port: ClosePort runs on the window's
// thread, which owns PortHandle. The request names the open it was made for,
// so one that arrives after the port was closed or replaced is ignored.
void RequestLostPortClose(unsigned generation) {
  PostToMainThread([generation] {
    if (generation == OpenCount.load() && PortHandle != INVALID_HANDLE_VALUE) ClosePort();
  });
}
