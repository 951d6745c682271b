// The thread object: start, stop and destruction, waits on threads that
// release themselves, hand-overs to the main thread and the shared hand-over
// window. Google Test assertions run on the main thread only; worker threads
// record what they see into atomics that the test reads afterwards.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>

#include "framework/SysInit.h"
#include "framework/SysUtils.h"
#include "framework/Thread.h"
#include "support/PlatformFaults.h"
#include "support/Pump.h"

namespace {

// A thread whose Run is a function given by the test; it can reach the
// protected members Run uses.
class TProbe : public TThread {
public:
  using Body = std::function<void(TProbe&)>;
  explicit TProbe(bool suspended, Body body = nullptr, TNotifyEvent endHandler = nullptr)
      : TThread(suspended), body_(std::move(body)) {
    EndHandler = std::move(endHandler);
  }

  bool StopSeen() const { return StopRequested.load(); }
  void SetExitCode(int code) { ExitCode = code; }
  void ReleaseWhenDone() { FreeWhenDone = true; }

protected:
  void Run() override {
    if (body_) body_(*this);
  }

private:
  Body body_;
};

// A probe made the way every thread object is made, started once complete,
// and destroyed by the test.
std::unique_ptr<TProbe> Started(TProbe::Body body, TNotifyEvent endHandler = nullptr) {
  return std::unique_ptr<TProbe>(TThread::Create<TProbe>(false, std::move(body), std::move(endHandler)));
}

HANDLE DuplicateOf(HANDLE handle) {
  HANDLE copy = nullptr;
  DuplicateHandle(GetCurrentProcess(), handle, GetCurrentProcess(), &copy, 0, FALSE, DUPLICATE_SAME_ACCESS);
  return copy;
}

bool Signalled(HANDLE handle) { return WaitForSingleObject(handle, 0) == WAIT_OBJECT_0; }

// Destroys a hand-over window left by a thread that released itself, so that
// a test starts with none: the last object destroyed on the main thread takes
// the window with it.
void StartWithoutHandOverWindow() {
  ASSERT_TRUE(PumpUntil([] { return TThread::LiveThreadCount() == 0; }));
  delete new TProbe(true);
  ASSERT_EQ(nullptr, FindWindowA("TThreadWindow", nullptr));
}

// Run hands no-op calls to the main thread until one raises EThread, which
// means the main thread waits for this thread; returns the EThread message.
void SynchronizeUntilRefused(TProbe& self, std::atomic<int>& served, std::string& refusal) {
  for (;;) {
    try {
      self.Synchronize([&served] { ++served; });
    } catch (const EThread& e) {
      refusal = e.Message();
      return;
    }
  }
}

// --- Start and destruction -------------------------------------------------

TEST(ThreadStart, ConstructionOffTheMainThreadRaisesEThread) {
  const int before = TThread::LiveThreadCount();
  std::string refusal;
  std::thread other([&refusal] {
    try {
      TProbe thread(false);
    } catch (const EThread& e) {
      refusal = e.Message();
    }
  });
  other.join();
  EXPECT_EQ("A thread object can only be created on the main thread", refusal);
  EXPECT_EQ(before, TThread::LiveThreadCount());
}

// A subclass whose own construction takes a while after the base part is
// complete: a thread started from the base constructor would run Run on a
// half-built object and see Ready still false.
class TSlowProbe : public TThread {
public:
  explicit TSlowProbe(HANDLE ranEvent) : TThread(false), RanEvent(ranEvent) {
    Sleep(50);
    Ready = true;
  }
  std::atomic<bool> ReadyInRun{false};
  std::atomic<DWORD> RunThread{0};

protected:
  void Run() override {
    ReadyInRun = Ready;
    RunThread = GetCurrentThreadId();
    SetEvent(RanEvent);
  }

private:
  HANDLE RanEvent;
  bool Ready = false;
};

TEST(ThreadStart, CreatedRunningStartsOnceCompleteWithoutTheMessageLoop) {
  const HANDLE ran = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  std::unique_ptr<TSlowProbe> thread(TThread::Create<TSlowProbe>(ran));
  // No message is handled while waiting: the start needs none.
  ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(ran, 10000));
  EXPECT_TRUE(thread->ReadyInRun);
  EXPECT_EQ(thread->ThreadID(), thread->RunThread.load());
  EXPECT_NE(MainThreadID, thread->RunThread.load());
  EXPECT_EQ(0u, thread->WaitFor());
  CloseHandle(ran);
}

// Made suspended, or made running but with new alone (not through Create).
TEST(ThreadStart, AnObjectNeverStartedHasNoThreadAndIsDestroyedAtOnce) {
  for (const bool suspended : {true, false}) {
    std::atomic<bool> ran{false};
    const TProbe::Body body = [&ran](TProbe&) { ran = true; };
    auto* thread = suspended ? TThread::Create<TProbe>(true, body) : new TProbe(false, body);
    EXPECT_EQ(nullptr, thread->Handle());
    EXPECT_EQ(static_cast<DWORD>(STILL_ACTIVE), thread->WaitFor());
    delete thread;
    PumpFor(50);
    EXPECT_FALSE(ran) << (suspended ? "made suspended" : "never started");
  }
}

// Run, once asked to stop, leaves only once the main thread waits for its
// end: a destructor that did not wait returns first. Past the stop Run
// touches only the test's event, never the object, which such a destructor
// has freed: the test then fails at once instead of crashing.
HANDLE MainWaits = CreateEventA(nullptr, TRUE, FALSE, nullptr);
DWORD WINAPI NotedWait(HANDLE handle, DWORD ms) {
  SetEvent(MainWaits);
  return WaitForSingleObject(handle, ms);
}

TEST(ThreadDestroy, WhileRunningRequestsStopAndWaitsForTheEnd) {
  TCallSubstitute<&TPlatformCalls::WaitForSingleObject> noted(&NotedWait);
  std::atomic<bool> inRun{false};
  auto* thread = TThread::Create<TProbe>(false, [&inRun](TProbe& self) {
    inRun = true;
    while (!self.StopSeen()) Sleep(1);
    WaitForSingleObject(MainWaits, INFINITE);
  });
  ASSERT_TRUE(PumpUntil([&inRun] { return inRun.load(); }));
  const HANDLE copy = DuplicateOf(thread->Handle());
  delete thread;
  EXPECT_TRUE(Signalled(copy)) << "the destructor returned while Run went on";
  CloseHandle(copy);
}

// --- WaitFor ---------------------------------------------------------------

TEST(ThreadWaitFor, OnAnEndedThreadReturnsItsExitCodeAtOnce) {
  const struct {
    int exitCode;
    DWORD expected;
  } cases[] = {{0, 0u}, {42, 42u}, {-1, 0xFFFFFFFFu}};
  for (const auto& c : cases) {
    auto thread = Started([&c](TProbe& self) { self.SetExitCode(c.exitCode); });
    const HANDLE copy = DuplicateOf(thread->Handle());
    ASSERT_TRUE(PumpUntil([copy] { return Signalled(copy); }));
    EXPECT_EQ(c.expected, thread->WaitFor()) << c.exitCode;
    EXPECT_EQ(c.expected, thread->WaitFor()) << c.exitCode;
    CloseHandle(copy);
  }
}

// The object releases itself while the main thread waits: Run ends only once
// it has seen the main thread waiting, so the release falls into the wait.
// Every other round the thread is already inside a hand-over when the wait
// begins, which the wait must let complete.
TEST(ThreadWaitFor, SurvivesTheObjectReleasingItselfDuringTheWait) {
  for (int round = 0; round < 100; ++round) {
    std::atomic<int> served{0};
    std::string refusal;
    auto* thread = TThread::Create<TProbe>(false, [&](TProbe& self) {
      self.ReleaseWhenDone();
      self.SetExitCode(round + 1);
      SynchronizeUntilRefused(self, served, refusal);
    });
    if (round % 2 == 1) {
      ASSERT_TRUE(PumpUntil([&served] { return served > 0; }));
    }
    ASSERT_EQ(static_cast<DWORD>(round + 1), thread->WaitFor());
    ASSERT_FALSE(refusal.empty());
  }
  EXPECT_TRUE(PumpUntil([] { return TThread::LiveThreadCount() == 0; }));
}

// A wait the platform fails is made again: it ends only with the thread,
// whichever way the main thread waits (serving a hand-over already in flight
// or not), so what the owner does next never meets a thread still running.
TEST(ThreadWaitFor, AWaitThePlatformFailsStillEndsOnlyWithTheThread) {
  for (const bool handingOver : {false, true}) {
    const char* call = handingOver ? "MsgWaitForMultipleObjects" : "WaitForSingleObject";
    SCOPED_TRACE(call);
    bool failed = false;
    // A hand-over is in flight when the wait begins in most rounds, not all.
    for (int round = 0; round < 50 && !failed; ++round) {
      std::atomic<int> served{0};
      std::atomic<bool> leftRun{false};
      std::string refusal;
      auto thread = Started([&](TProbe& self) {
        SynchronizeUntilRefused(self, served, refusal);
        Sleep(50);
        leftRun = true;
      });
      ASSERT_TRUE(!handingOver || PumpUntil([&served] { return served >= 3; }));
      TCallFailures failing({call, ERROR_INVALID_HANDLE, 0, 2});
      thread->WaitFor();
      failed = FailuresLeft(call) == 0;
      EXPECT_TRUE(leftRun) << "the wait returned before the thread ended";
    }
    EXPECT_TRUE(failed) << "the wait never went through " << call;
  }
}

// The receiver's pattern: Run blocks until woken and ends only when asked to
// stop, then releases itself.
TEST(ThreadWaitFor, StopAndWaitForOnASelfReleasingThread) {
  const HANDLE wakeEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  for (int round = 0; round < 100; ++round) {
    std::atomic<bool> inRun{false};
    auto* thread = TThread::Create<TProbe>(false, [&](TProbe& self) {
      self.ReleaseWhenDone();
      self.SetExitCode(round);
      inRun = true;
      while (!self.StopSeen()) WaitForSingleObject(wakeEvent, INFINITE);
    });
    if (round % 2 == 1) {
      ASSERT_TRUE(PumpUntil([&inRun] { return inRun.load(); }));
    }
    ASSERT_EQ(static_cast<DWORD>(round), thread->StopAndWaitFor([wakeEvent] { SetEvent(wakeEvent); }));
  }
  CloseHandle(wakeEvent);
  EXPECT_TRUE(PumpUntil([] { return TThread::LiveThreadCount() == 0; }));
}

// --- Synchronize -----------------------------------------------------------

TEST(ThreadSynchronize, RunsTheMethodOnTheMainThreadBeforeReturning) {
  std::atomic<DWORD> methodThread{0};
  std::atomic<bool> seenAfterReturn{false};
  auto thread = Started([&](TProbe& self) {
    bool ran = false;
    self.Synchronize([&] {
      methodThread = GetCurrentThreadId();
      ran = true;
    });
    seenAfterReturn = ran;
  });
  ASSERT_TRUE(PumpUntil([&thread] { return thread->IsFinished(); }));
  EXPECT_EQ(MainThreadID, methodThread.load());
  EXPECT_TRUE(seenAfterReturn);

  // The hand-over's message (0x8FFF) from anyone but a call in flight, as
  // any process may post it, touches nothing its parameter points at.
  std::string decoy(4096, '\0');
  PostMessageA(TThread::HandOverWindowHandle(), 0x8FFF, 0, reinterpret_cast<LPARAM>(&decoy[0]));
  PumpFor(50);
  EXPECT_EQ(decoy, std::string(4096, '\0'));
}

TEST(ThreadSynchronize, TheMethodsExceptionReachesTheCallingThread) {
  const struct {
    std::function<void()> raise;
    const char* caughtAs;
    const char* message;
  } cases[] = {
      {[] { throw Exception("port gone"); }, "Exception", "port gone"},
      {[] { throw EAbort(); }, "EAbort", "Operation aborted"},
      {[] { throw std::runtime_error("plain"); }, "std::exception", "plain"},
  };
  for (const auto& c : cases) {
    std::string caughtAs, message;
    DWORD caller = 0;
    auto thread = Started([&](TProbe& self) {
      try {
        self.Synchronize(c.raise);
      } catch (const EAbort& e) {
        caughtAs = "EAbort", message = e.Message();
      } catch (const Exception& e) {
        caughtAs = "Exception", message = e.Message();
      } catch (const std::exception& e) {
        caughtAs = "std::exception", message = e.what();
      }
      caller = GetCurrentThreadId();
    });
    ASSERT_TRUE(PumpUntil([&thread] { return thread->IsFinished(); }));
    EXPECT_EQ(c.caughtAs, caughtAs);
    EXPECT_EQ(c.message, message);
    EXPECT_EQ(thread->ThreadID(), caller);
    EXPECT_FALSE(thread->FatalException());
  }
}

TEST(ThreadSynchronize, WhileTheMainThreadWaitsRaisesEThreadInsteadOfDeadlocking) {
  for (bool alreadyHandingOver : {false, true}) {
    std::atomic<int> served{0};
    std::string refusal;
    auto thread = Started([&](TProbe& self) { SynchronizeUntilRefused(self, served, refusal); });
    if (alreadyHandingOver) {
      ASSERT_TRUE(PumpUntil([&served] { return served >= 3; }));
    }
    thread->WaitFor();
    EXPECT_EQ("Synchronize was called while the main thread waits for this thread", refusal);
    // Refused from then on, even after the wait.
    EXPECT_THROW(thread->Synchronize([] {}), EThread);
  }
}

TEST(ThreadSynchronize, EndHandlerRunsOnTheMainThreadAfterRun) {
  std::atomic<bool> runDone{false};
  TObject* sender = nullptr;
  DWORD handlerThread = 0;
  bool finishedInHandler = false, runDoneInHandler = false;
  std::unique_ptr<TProbe> thread;
  thread = Started([&runDone](TProbe&) { runDone = true; },
                   [&](TObject* s) {
                     sender = s;
                     handlerThread = GetCurrentThreadId();
                     finishedInHandler = thread->IsFinished();
                     runDoneInHandler = runDone;
                   });
  ASSERT_TRUE(PumpUntil([&sender] { return sender != nullptr; }));
  EXPECT_EQ(thread.get(), sender);
  EXPECT_EQ(MainThreadID, handlerThread);
  EXPECT_TRUE(finishedInHandler);
  EXPECT_TRUE(runDoneInHandler);
}

// --- The hand-over window --------------------------------------------------

TEST(ThreadHandOverWindow, ExistsExactlyWhileThreadObjectsExist) {
  StartWithoutHandOverWindow();
  auto* first = new TProbe(true);
  const HWND window = FindWindowA("TThreadWindow", nullptr);
  ASSERT_NE(nullptr, window);
  EXPECT_EQ(window, TThread::HandOverWindowHandle());
  auto* second = TThread::Create<TProbe>(false);
  EXPECT_EQ(2, TThread::LiveThreadCount());
  EXPECT_EQ(window, TThread::HandOverWindowHandle());
  delete first;
  EXPECT_TRUE(IsWindow(window));
  delete second;
  EXPECT_EQ(0, TThread::LiveThreadCount());
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(nullptr, FindWindowA("TThreadWindow", nullptr));
}

TEST(ThreadHandOverWindow, ClassHeldByAnotherProcedureIsRegisteredAgain) {
  StartWithoutHandOverWindow();
  const HINSTANCE instance = GetModuleHandleA(nullptr);
  UnregisterClassA("TThreadWindow", instance);
  WNDCLASSA foreign{};
  foreign.lpfnWndProc = DefWindowProcA;
  foreign.hInstance = instance;
  foreign.lpszClassName = "TThreadWindow";
  ASSERT_NE(0, RegisterClassA(&foreign));

  std::atomic<bool> handedOver{false};
  auto thread = Started([&handedOver](TProbe& self) { self.Synchronize([&handedOver] { handedOver = true; }); });
  ASSERT_TRUE(PumpUntil([&thread] { return thread->IsFinished(); }));
  EXPECT_TRUE(handedOver);
  WNDCLASSA registered{};
  ASSERT_TRUE(GetClassInfoA(instance, "TThreadWindow", &registered));
  EXPECT_NE(reinterpret_cast<void*>(&DefWindowProcA), reinterpret_cast<void*>(registered.lpfnWndProc));
}

TEST(ThreadHandOverWindow, ANewObjectWorksAfterTheLastReleasedItselfOnItsOwnThread) {
  StartWithoutHandOverWindow();
  static_cast<void>(TThread::Create<TProbe>(false, [](TProbe& self) { self.ReleaseWhenDone(); }));
  ASSERT_TRUE(PumpUntil([] { return TThread::LiveThreadCount() == 0; }));
  // Its own thread could not destroy the window: it stays for reuse.
  const HWND leftOver = TThread::HandOverWindowHandle();
  EXPECT_TRUE(IsWindow(leftOver));

  std::atomic<DWORD> methodThread{0};
  auto* next = TThread::Create<TProbe>(false, [&](TProbe& self) { self.Synchronize([&] { methodThread = GetCurrentThreadId(); }); });
  EXPECT_EQ(leftOver, TThread::HandOverWindowHandle());
  ASSERT_TRUE(PumpUntil([next] { return next->IsFinished(); }));
  EXPECT_EQ(MainThreadID, methodThread.load());
  delete next;
  EXPECT_FALSE(IsWindow(leftOver));
}

// --- An exception escaping Run ---------------------------------------------

TEST(ThreadRunFailure, EndsTheThreadWithANonZeroCodeAndKeepsTheError) {
  const struct {
    int presetCode;
    std::function<void()> raise;
    DWORD expectedCode;
    const char* message;
  } cases[] = {
      {0, [] { throw Exception("disk on fire"); }, 1u, "disk on fire"},
      {9, [] { throw EThread("bad state"); }, 9u, "bad state"},
      {0, [] { throw 5; }, 1u, "Unknown exception"},
      {0, [] {}, 0u, ""},  // nothing escapes: no error kept
  };
  for (const auto& c : cases) {
    bool endHandlerRan = false;
    auto thread = Started(
        [&c](TProbe& self) {
          self.SetExitCode(c.presetCode);
          c.raise();
        },
        [&endHandlerRan](TObject*) { endHandlerRan = true; });
    ASSERT_TRUE(PumpUntil([&endHandlerRan] { return endHandlerRan; }));
    EXPECT_EQ(c.expectedCode, thread->WaitFor());
    EXPECT_EQ(c.message, thread->FatalMessage());
    EXPECT_EQ(*c.message != '\0', static_cast<bool>(thread->FatalException()));
  }
}

}  // namespace
