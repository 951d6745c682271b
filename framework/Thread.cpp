#include "framework/Thread.h"

#include <process.h>

#include <algorithm>
#include <mutex>
#include <vector>

#include "framework/Platform.h"
#include "framework/SysInit.h"
#include "framework/SysUtils.h"
#include "framework/UtilWindow.h"

namespace {

const char* const HandOverClassName = "TThreadWindow";
// Sent by Synchronize; the long parameter is the thread object.
const UINT HandOverMessage = 0x8FFF;

// Incremented by constructors (main thread), decremented by destructors (the
// owner's thread or, for a self-releasing object, its own thread).
std::atomic<int> LiveThreads{0};
// Created and destroyed only on the main thread, which handles its messages;
// read by every thread in Synchronize.
std::atomic<HWND> HandOverWindow{nullptr};

// Bits of TThread::HandOverFlags.
const unsigned MainWaiting = 1;
const unsigned CallInFlight = 2;

// How long a wait the platform failed rests before it is made again.
const DWORD WaitRetryMs = 10;

bool OnMainThread() { return GetCurrentThreadId() == MainThreadID; }

// The objects inside Synchronize whose hand-over message has not been
// handled yet. The window acts on a message only for one of them, and once:
// any process may send or post it anything, and what its long parameter
// points at is read only once it is known to be one of these.
struct TCallsInFlight {
  std::mutex Lock;
  std::vector<const void*> Threads;
};

// Never destroyed: a thread still running when the process ends (one that
// releases itself) may call Synchronize after this file's objects would be
// gone. Made with the first thread object, before the window that reads it.
TCallsInFlight& CallsInFlight() {
  static TCallsInFlight* const calls = new TCallsInFlight;
  return *calls;
}

// True when the object's call was in flight; it no longer is.
bool TakeCallInFlight(const void* thread) {
  TCallsInFlight& calls = CallsInFlight();
  std::lock_guard<std::mutex> guard(calls.Lock);
  const auto at = std::find(calls.Threads.begin(), calls.Threads.end(), thread);
  if (at == calls.Threads.end()) return false;
  calls.Threads.erase(at);
  return true;
}

// The main thread waits for a thread that is already inside a hand-over (or
// about to send one): handle only messages sent by other threads, so that the
// hand-over completes, and dispatch nothing posted. Once the hand-over is
// done that thread's next Synchronize raises EThread, so the wait ends.
void WaitServingSentMessages(HANDLE thread) {
  for (;;) {
    MSG msg;
    PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    const DWORD woke = Platform.MsgWaitForMultipleObjects(1, &thread, FALSE, INFINITE, QS_SENDMESSAGE);
    if (woke == WAIT_OBJECT_0) return;
    // A wait the platform fails is made again, a moment later (see AwaitEnd).
    if (woke == WAIT_FAILED) Sleep(WaitRetryMs);
  }
}

}  // namespace

struct TThread::TEndHandle {
  HANDLE Handle = nullptr;
  ~TEndHandle() {
    if (Handle != nullptr) Platform.CloseHandle(Handle);  // nothing else to do with it
  }
};

TThread::TThread(bool StartSuspended) : StartedSuspended(StartSuspended) {
  if (!OnMainThread()) throw EThread("A thread object can only be created on the main thread");
  AcquireHandOverWindow();
}

// The thread is made suspended and resumed only once its handle and
// identifier are stored: a thread that releases itself reads both in its
// destructor, which could otherwise run before this function wrote them.
void TThread::Start() {
  if (StartedSuspended || ThreadHandle) return;
  // Made before the thread: should memory be short, there is no thread yet
  // to undo.
  auto end = std::make_shared<TEndHandle>();
  // _beginthreadex rather than CreateThread: the static C run-time sets up and
  // releases its per-thread data around the entry.
  unsigned ident = 0;
  const uintptr_t handle =
      Platform._beginthreadex(nullptr, 0, &TThread::Entry, this, CREATE_SUSPENDED, &ident);
  // Raised out of Create, which then destroys the object: as one never
  // started, it has nothing to wait for.
  if (handle == 0) throw EOutOfResources("Error creating thread");
  end->Handle = reinterpret_cast<HANDLE>(handle);
  ThreadHandle = std::move(end);
  ThreadIdent = ident;
  if (Platform.ResumeThread(ThreadHandle->Handle) == static_cast<DWORD>(-1)) {
    // The thread never ran a line of code, so ending it holds no lock; only
    // the run-time's small per-thread block given to it is lost.
    TerminateThread(ThreadHandle->Handle, 1);
    ThreadHandle.reset();
    ThreadIdent = 0;
    throw EOutOfResources("Error creating thread");
  }
}

// The object's hold on the thread's handle goes with its members.
TThread::~TThread() {
  StopAndWaitForEnd();  // already done by the most derived destructor
  ReleaseHandOverWindow();
}

HANDLE TThread::Handle() const { return ThreadHandle ? ThreadHandle->Handle : nullptr; }

// The owner always waits for a started thread, even one that has set
// Finished: OnDone still uses the object after that.
void TThread::StopAndWaitForEnd() {
  if (!ThreadHandle || GetCurrentThreadId() == ThreadIdent) return;
  RequestStop();
  WaitFor();
}

void TThread::RequestStop() { StopRequested.store(true); }

DWORD TThread::WaitFor() {
  bool serveCall = false;
  const std::shared_ptr<TEndHandle> end = PrepareWait(serveCall);
  return AwaitEnd(end, serveCall);
}

DWORD TThread::StopAndWaitFor(const std::function<void()>& wake) {
  bool serveCall = false;
  const std::shared_ptr<TEndHandle> end = PrepareWait(serveCall);
  RequestStop();
  // From here on the object may be gone.
  if (wake) wake();
  return AwaitEnd(end, serveCall);
}

// Everything a wait needs of the object: after this returns the wait touches
// only its own hold on the thread's handle, which stays open when the
// object's own thread releases the object.
std::shared_ptr<TThread::TEndHandle> TThread::PrepareWait(bool& serveCall) {
  serveCall = false;
  std::shared_ptr<TEndHandle> end = ThreadHandle;
  // Last: once MainWaiting is set, the thread may end and release the object.
  if (OnMainThread()) serveCall = (HandOverFlags.fetch_or(MainWaiting) & CallInFlight) != 0;
  return end;
}

DWORD TThread::AwaitEnd(const std::shared_ptr<TEndHandle>& end, bool serveCall) {
  // No thread: it never ends.
  if (!end) return STILL_ACTIVE;
  if (serveCall) {
    WaitServingSentMessages(end->Handle);
  } else {
    // A wait the platform fails is made again: the handle stays open for
    // this wait, so the failure can only pass, and what follows (a port
    // closed, an object freed) must not happen while the thread still runs.
    while (Platform.WaitForSingleObject(end->Handle, INFINITE) == WAIT_FAILED) Sleep(WaitRetryMs);
  }
  DWORD code = 0;
  Platform.GetExitCodeThread(end->Handle, &code);  // none read: the code stays 0
  return code;
}

void TThread::Synchronize(TThreadMethod method) {
  if ((HandOverFlags.fetch_or(CallInFlight) & MainWaiting) != 0) {
    HandOverFlags.fetch_and(~CallInFlight);
    throw EThread("Synchronize was called while the main thread waits for this thread");
  }
  PendingError = nullptr;
  PendingCall = std::move(method);
  try {
    TCallsInFlight& calls = CallsInFlight();
    std::lock_guard<std::mutex> guard(calls.Lock);
    calls.Threads.push_back(this);
  } catch (...) {
    PendingCall = nullptr;
    HandOverFlags.fetch_and(~CallInFlight);
    throw;
  }
  SendMessageA(HandOverWindow.load(), HandOverMessage, 0, reinterpret_cast<LPARAM>(this));
  TakeCallInFlight(this);  // still there when no message came through
  PendingCall = nullptr;
  HandOverFlags.fetch_and(~CallInFlight);
  if (PendingError) {
    std::exception_ptr error = std::move(PendingError);
    PendingError = nullptr;
    std::rethrow_exception(error);
  }
}

void TThread::OnDone() {
  if (EndHandler) Synchronize([this] { EndHandler(this); });
}

std::string TThread::FatalMessage() const {
  if (!FatalError) return {};
  try {
    std::rethrow_exception(FatalError);
  } catch (const std::exception& error) {
    return error.what();
  } catch (...) {
    return "Unknown exception";
  }
}

int TThread::LiveThreadCount() { return LiveThreads.load(); }

HWND TThread::HandOverWindowHandle() { return HandOverWindow.load(); }

unsigned __stdcall TThread::Entry(void* param) {
  auto* self = static_cast<TThread*>(param);
  // An exception escaping Run ends this thread, not the process: it is kept
  // for the owner (or the EndHandler) and the exit code says the run failed.
  try {
    self->Run();
  } catch (...) {
    self->FatalError = std::current_exception();
    if (self->ExitCode == 0) self->ExitCode = 1;
  }
  const bool freeWhenDone = self->FreeWhenDone;
  const int exitCode = self->ExitCode;
  self->Finished.store(true);
  try {
    self->OnDone();
  } catch (...) {
    // For example EThread: the main thread already waits for this thread.
    if (!self->FatalError) self->FatalError = std::current_exception();
  }
  if (freeWhenDone) delete self;
  // Returning ends the thread through the run-time's _endthreadex.
  return static_cast<unsigned>(exitCode);
}

LRESULT TThread::HandOverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == HandOverMessage && TakeCallInFlight(reinterpret_cast<const void*>(lParam))) {
    auto* thread = reinterpret_cast<TThread*>(lParam);
    thread->PendingError = nullptr;
    try {
      thread->PendingCall();
    } catch (...) {
      // Kept, not destroyed with the handled exception: Synchronize raises it
      // again on the calling thread.
      thread->PendingError = std::current_exception();
    }
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

// Main thread only (constructors).
void TThread::AcquireHandOverWindow() {
  CallsInFlight();  // made before the window that reads it
  const HWND existing = HandOverWindow.load();
  // A window left by a last object that released itself on its own thread,
  // which could not destroy it, is reused.
  if (LiveThreads.load() == 0 && (existing == nullptr || !IsWindow(existing))) {
    HandOverWindow.store(AllocateUtilWindow(&TThread::HandOverProc, HandOverClassName));
  }
  LiveThreads.fetch_add(1);
}

// Any thread (destructors). Only the main thread, which created the window,
// may destroy it; a last object destroyed elsewhere leaves it for the next
// constructor.
void TThread::ReleaseHandOverWindow() {
  if (LiveThreads.fetch_sub(1) != 1 || !OnMainThread()) return;
  if (const HWND window = HandOverWindow.exchange(nullptr)) DeallocateUtilWindow(window);
}
