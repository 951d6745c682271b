// The framework's background thread: a subclass supplies Run, the object
// starts an operating-system thread that calls it, carries the stop request
// Run polls, waits for the thread's end and hands methods over to the main
// thread (Synchronize) through one hidden window shared by all thread objects.
//
// Threads and ownership:
// - Thread objects are made on the main thread (the one that runs the
//   message loop) by TThread::Create; the constructor raises EThread
//   elsewhere, because the hand-over window must belong to the thread that
//   dispatches its messages.
// - A thread made running starts inside Create, once the object is complete
//   (never from the base constructor, where Run could meet a half-built
//   subclass). An object made suspended never gets an operating-system
//   thread: the framework has no way to resume one.
// - A thread object is destroyed either by its owner (any thread but its own;
//   destruction stops and waits for a running thread before any part of the
//   object goes, so no thread outlives its object) or, when Run has set
//   FreeWhenDone, by its own thread once Run and OnDone are over. An object
//   that may release itself is never destroyed by its owner.
#pragma once

#include <windows.h>

#include <atomic>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <utility>

#include "framework/Classes.h"

class TThread : public TObject {
public:
  using TThreadMethod = std::function<void()>;

  // Makes a T (a subclass of TThread) from args and, unless it was made
  // suspended, starts its thread now that the object is complete. Main
  // thread only.
  template <class T, class... Args>
  static T* Create(Args&&... args) {
    std::unique_ptr<T> thread(new TStarted<T>(std::forward<Args>(args)...));
    thread->Start();
    return thread.release();
  }

  // StartSuspended true: the object never runs Run (and has no thread).
  // Otherwise Create starts it; an object made with new alone never starts.
  // When the platform gives no thread, Create raises EOutOfResources and
  // the object is gone.
  explicit TThread(bool StartSuspended);
  ~TThread() override;

  TThread(const TThread&) = delete;
  TThread& operator=(const TThread&) = delete;

  // Sets StopRequested; does not wake a Run that blocks.
  void RequestStop();

  // Waits without time limit for the thread's end and returns its exit code.
  // On the main thread, Synchronize calls of this thread made after the wait
  // began raise EThread; posted messages are not dispatched. The object may be
  // released by its own thread during the wait (FreeWhenDone): the wait holds
  // the thread's handle, taken when the thread started, open for itself. The
  // caller must still know that the object exists when it calls WaitFor; for
  // one whose Run ends only when asked to stop, use StopAndWaitFor instead of
  // RequestStop then WaitFor.
  // An object that never started never ends: STILL_ACTIVE comes back at once.
  DWORD WaitFor();

  // RequestStop, then wake (which may unblock Run by other means; it must not
  // touch this object), then WaitFor; everything WaitFor needs of the object
  // is taken before the stop is requested, so the object may release itself
  // at any moment after that.
  DWORD StopAndWaitFor(const std::function<void()>& wake = nullptr);

  // Runs method on the main thread and returns once it has run; an exception
  // it raises is raised again here.
  void Synchronize(TThreadMethod method);

  // Called with the thread object, on the main thread, after Run returns.
  // Set it in the subclass's constructor, before the thread starts.
  TNotifyEvent EndHandler;

  bool IsFinished() const { return Finished.load(); }
  HANDLE Handle() const;
  DWORD ThreadID() const { return ThreadIdent; }
  // The exception that escaped Run, if any: the thread then ends normally,
  // with exit code 1 unless Run had set another non-zero ExitCode. One that
  // escapes OnDone is kept too when Run did not fail, and leaves the exit
  // code alone. Read it after WaitFor or in the EndHandler.
  std::exception_ptr FatalException() const { return FatalError; }
  // Its message; empty when nothing escaped.
  std::string FatalMessage() const;

  // Thread objects alive now, and the hand-over window (0 when none exists).
  static int LiveThreadCount();
  static HWND HandOverWindowHandle();

protected:
  // What destroying a started object from another thread waits for: a stop
  // is requested and the thread's end awaited. Does nothing on the object's
  // own thread or for an object that never started.
  void StopAndWaitForEnd();

  // Set by RequestStop on the owner's thread, polled by Run.
  std::atomic<bool> StopRequested{false};
  // Both read on this thread once Run returns, so Run may still set them.
  bool FreeWhenDone = false;
  int ExitCode = 0;

  // Runs EndHandler through Synchronize when it is set.
  virtual void OnDone();
  // The subclass's routine, on the new thread.
  virtual void Run() = 0;

private:
  // What Create makes: the subclass T with a destructor that runs first and
  // waits for the thread's end, so Run never outlives the subclass's own
  // part (a wait in ~TThread would come after ~T had already run).
  template <class T>
  class TStarted final : public T {
  public:
    using T::T;
    ~TStarted() override { this->StopAndWaitForEnd(); }
  };

  static unsigned __stdcall Entry(void* param);
  static LRESULT HandOverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static void AcquireHandOverWindow();
  static void ReleaseHandOverWindow();
  // Starts the operating-system thread of an object made running; raises
  // EOutOfResources when there is none.
  void Start();
  struct TEndHandle;
  std::shared_ptr<TEndHandle> PrepareWait(bool& serveCall);
  static DWORD AwaitEnd(const std::shared_ptr<TEndHandle>& end, bool serveCall);

  // The started thread's handle (null for an object that never started),
  // held by the object and by every wait in progress and closed when the
  // last of them lets go: a wait keeps it open while the thread releases its
  // own object. Taken once, when the thread starts, so a wait has nothing to
  // duplicate or open and cannot fail.
  std::shared_ptr<TEndHandle> ThreadHandle;
  DWORD ThreadIdent = 0;
  bool StartedSuspended;
  // MainWaiting (set by the main thread in WaitFor, never cleared) and
  // CallInFlight (this thread is inside Synchronize, past its check). One
  // atomic word, changed by single read-modify-writes: whichever comes first
  // decides, so Synchronize either raises EThread or WaitFor lets the
  // hand-over complete, and WaitFor's change is its last touch of the object.
  std::atomic<unsigned> HandOverFlags{0};
  std::atomic<bool> Finished{false};
  // Written by this thread; read by the main thread inside the hand-over.
  TThreadMethod PendingCall;
  std::exception_ptr PendingError;
  // Written by this thread before it ends.
  std::exception_ptr FatalError;
};
