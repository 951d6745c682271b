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

// Successful opens so far (window's thread writes, the receiver reads).
std::atomic<unsigned> OpenCount{0};

// Drops whatever the port received before the receiver starts. RxBuffer is
// the window's thread's until then, so no receiver can be using it. Only
// what is waiting is read, so the open never waits for more to arrive.
void DropPendingInput() {
  for (int i = 0; i < MaxDropReads; ++i) {
    DWORD errors = 0;
    COMSTAT status{};
    if (!Platform.ClearCommError(PortHandle, &errors, &status) || status.cbInQue == 0) break;
    if (ReadPort(true, status.cbInQue).Count == 0) break;
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
  // A handle that reports no line settings is no serial port: Wine opens a
  // COM name whose device is missing and fails every port call on it.
  DCB dcb{};
  dcb.DCBlength = sizeof(DCB);
  if (PortHandle != INVALID_HANDLE_VALUE && !Platform.GetCommState(PortHandle, &dcb)) {
    Platform.CloseHandle(PortHandle);
    PortHandle = INVALID_HANDLE_VALUE;
  }
  if (PortHandle == INVALID_HANDLE_VALUE) {
    // No port is open.
    ReportPortMarks(0);
    return false;
  }
  OpenCount.fetch_add(1);

  // Refused time-outs or line settings are not fatal: the port counts as
  // open and is used as it is.
  Platform.GetCommTimeouts(PortHandle, &SavedTimeouts);
  PortTimeouts.ReadIntervalTimeout = MAXDWORD;
  Platform.SetCommTimeouts(PortHandle, &PortTimeouts);
  if (Platform.BuildCommDCBA("9600,N,8,1", &dcb)) Platform.SetCommState(PortHandle, &dcb);

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
  Platform.SetCommTimeouts(PortHandle, &SavedTimeouts);
  Platform.CloseHandle(PortHandle);
  PortHandle = INVALID_HANDLE_VALUE;
  ReportPortMarks(0);
}

// A device that is gone answers with one of these, depending on the driver
// and platform: ERROR_NOT_READY (a pseudo-terminal whose other end closed,
// under Wine; also some USB adapters), ERROR_BAD_COMMAND, ERROR_ACCESS_DENIED
// and ERROR_GEN_FAILURE (USB adapters unplugged on Windows),
// ERROR_DEVICE_REMOVED and ERROR_DEV_NOT_EXIST (the device object is gone),
// ERROR_INVALID_HANDLE (the handle no longer refers to a port).
// ERROR_OPERATION_ABORTED is left out on purpose: a port whose DCB asks to
// abort on errors fails reads with it after a framing or parity error until
// ClearCommError, which the receiver calls in every pass anyway.
bool IsPortLostError(DWORD error) {
  switch (error) {
    case ERROR_NOT_READY:
    case ERROR_BAD_COMMAND:
    case ERROR_ACCESS_DENIED:
    case ERROR_GEN_FAILURE:
    case ERROR_DEVICE_REMOVED:
    case ERROR_DEV_NOT_EXIST:
    case ERROR_INVALID_HANDLE:
      return true;
    default:
      return false;
  }
}

// The receiver cannot close its own port: ClosePort runs on the window's
// thread, which owns PortHandle. The request names the open it was made for,
// so one that arrives after the port was closed or replaced is ignored.
void RequestLostPortClose(unsigned generation) {
  PostToMainThread([generation] {
    if (generation == OpenCount.load() && PortHandle != INVALID_HANDLE_VALUE) ClosePort();
  });
}
