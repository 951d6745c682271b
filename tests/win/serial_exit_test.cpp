// The program's end, run by its own entry routine: the window is closed
// while a port is open and lines stream in, or cannot be made at all. The
// entry routine is compiled into this test and called as the system calls
// it; what the test does inside the message loop goes through a thread timer.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include <winternl.h>

#include "app/Main.cpp"
#include "framework/Dialogs.h"
#include "link/LinkReports.h"
#include "support/PlatformFaults.h"
#include "support/Pump.h"
#include "support/SerialPeer.h"

namespace {

constexpr int Port = 4;

// The size of the one allocation to refuse (0: none). The program's memory
// runs out at a known point: this program's own operator new refuses it.
std::atomic<size_t> RefusedAllocation{0};

}  // namespace

void* operator new(std::size_t size) {
  std::size_t refused = size;
  if (size != 0 && RefusedAllocation.compare_exchange_strong(refused, 0)) throw std::bad_alloc();
  if (void* memory = std::malloc(size != 0 ? size : 1)) return memory;
  throw std::bad_alloc();
}
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }

namespace {

std::string Timeouts(HANDLE port) {
  COMMTIMEOUTS t{};
  if (!GetCommTimeouts(port, &t)) return "no time-outs";
  return std::to_string(t.ReadIntervalTimeout) + " " + std::to_string(t.ReadTotalTimeoutMultiplier) +
         " " + std::to_string(t.ReadTotalTimeoutConstant) + " " +
         std::to_string(t.WriteTotalTimeoutMultiplier) + " " +
         std::to_string(t.WriteTotalTimeoutConstant);
}

// How many handles refer to the object behind `handle`, 0 when unknown.
ULONG HandlesOnTheObject(HANDLE handle) {
  using Query = NTSTATUS(NTAPI*)(HANDLE, OBJECT_INFORMATION_CLASS, PVOID, ULONG, PULONG);
  const auto query = reinterpret_cast<Query>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryObject")));
  OBJECT_BASIC_INFORMATION info{};
  if (!query || query(handle, ObjectBasicInformation, &info, sizeof info, nullptr) != 0) return 0;
  return info.HandleCount;
}

// Every box the program shows is answered OK, its text kept in `boxes`.
void AnswerBoxesInto(std::vector<std::string>& boxes) {
  SetMessageBoxHook([&boxes](const std::string& text, const std::string&, UINT) {
    boxes.push_back(text);
    return IDOK;
  });
}

// A start that fails: no memory for the window, or the platform refuses a
// window, a menu or a picture. The failure is shown as the exception box
// shows any, and the entry still closes the port (opened here beforehand, as
// if the failure had come later) and the mailbox. First in the file: it
// leaves no window behind for the next test.
TEST(ProgramEnd, AStartThatFailsWithAnyExceptionIsShownAndStillClosesThePort) {
  struct Case {
    const char* Name;
    TCallFailure Failure;  // "" for none: the window's memory is refused
    const char* Box;
    bool Made;  // the window object was made (its window then failed)
  };
  const Case cases[] = {
      {"no memory for the window", {""}, "std::bad_alloc.", false},
      {"no window", {"CreateWindowExA", ERROR_NOT_ENOUGH_MEMORY}, "Error creating window.", false},
      {"no menu bar", {"CreateMenu", ERROR_NOT_ENOUGH_MEMORY}, "Error creating menu.", true},
      {"no keypad picture", {"LoadImageA", ERROR_RESOURCE_DATA_NOT_FOUND, 0, 0}, "Picture resource KEYPAD not found.",
       false},
  };
  SerialPeer peer(Port);
  ASSERT_TRUE(peer.IsOpen());
  std::vector<std::string> boxes;
  AnswerBoxesInto(boxes);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    boxes.clear();
    ASSERT_TRUE(OpenPort(Port));
    if (c.Failure.Call.empty()) {
      RefusedAllocation = sizeof(TMain);
    } else {
      FailCall(c.Failure);
    }
    int code = -1;
    try {
      code = WinMain(GetModuleHandleA(nullptr), nullptr, const_cast<char*>(""), SW_SHOWNORMAL);
    } catch (...) {
      ADD_FAILURE() << "an exception escaped the entry routine";
    }
    ClearCallFailures();
    EXPECT_EQ(RefusedAllocation, 0u) << "the window's memory was not asked for";
    RefusedAllocation = 0;
    EXPECT_EQ(code, 0);
    EXPECT_EQ(Main != nullptr, c.Made);
    EXPECT_EQ(boxes, std::vector<std::string>{c.Box});
    EXPECT_EQ(ReadThread, nullptr);
    EXPECT_EQ(PortHandle, INVALID_HANDLE_VALUE);
    EXPECT_EQ(MailboxWindow(), nullptr);
  }
  SetMessageBoxHook(nullptr);
}

// What the timer saw inside the loop. Main thread only.
struct InsideTheLoop {
  bool Opened = false;
  HANDLE ProgramHandle = INVALID_HANDLE_VALUE;
  HANDLE SameObject = nullptr;  // a duplicate of the program's handle
  std::string OpenTimeouts;
  ULONG OpenHandles = 0;
  DWORD ClosedAt = 0;
} inside;

// Opens the port through the Port menu once the window is up, and closes
// the window as its close button does once lines have been shown.
void CALLBACK Step(HWND, UINT, UINT_PTR timer, DWORD) {
  if (Main == nullptr || !Main->HandleAllocated()) return;
  if (!inside.Opened) {
    inside.Opened = true;
    SendMessageA(Main->Handle(), WM_COMMAND, Main->MenuCOM4->Command(), 0);
    inside.ProgramHandle = PortHandle;
    if (PortHandle != INVALID_HANDLE_VALUE) {
      DuplicateHandle(GetCurrentProcess(), PortHandle, GetCurrentProcess(), &inside.SameObject, 0,
                      FALSE, DUPLICATE_SAME_ACCESS);
      inside.OpenTimeouts = Timeouts(inside.SameObject);
      inside.OpenHandles = HandlesOnTheObject(inside.SameObject);
    }
    return;
  }
  if (Main->CommBuff->Lines()->Count() < 20) return;
  KillTimer(nullptr, timer);
  inside.ClosedAt = GetTickCount();
  PostMessageA(Main->Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
}

TEST(ProgramEnd, ClosingTheWindowWhileLinesStreamEndsAtOnceAndGivesThePortBack) {
  SerialPeer peer(Port);
  ASSERT_TRUE(peer.IsOpen());
  std::vector<std::string> boxes;
  AnswerBoxesInto(boxes);

  std::atomic<bool> stopStreaming{false};
  std::thread processor([&] {
    for (int i = 0; !stopStreaming; ++i) {
      peer.Write("line " + std::to_string(i) + "\n");
      Sleep(2);
    }
  });
  // Should the entry routine never return, the test ends here, failed.
  const HANDLE ended = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  std::thread watchdog([ended] {
    if (WaitForSingleObject(ended, 30000) == WAIT_TIMEOUT) {
      std::fprintf(stderr, "the entry routine did not return within 30 s\n");
      std::fflush(stderr);
      TerminateProcess(GetCurrentProcess(), 1);
    }
  });

  ASSERT_NE(SetTimer(nullptr, 0, 20, &Step), 0u);
  EXPECT_EQ(WinMain(GetModuleHandleA(nullptr), nullptr, const_cast<char*>(""), SW_SHOWNORMAL), 0);
  const DWORD returned = GetTickCount();
  SetEvent(ended);
  watchdog.join();

  ASSERT_TRUE(inside.Opened);
  ASSERT_NE(inside.ProgramHandle, INVALID_HANDLE_VALUE) << "the port did not open";
  ASSERT_NE(inside.ClosedAt, 0u) << "no line was shown";
  EXPECT_EQ(inside.OpenTimeouts, "4294967295 0 0 0 0");
  EXPECT_EQ(inside.OpenHandles, 2u) << "the program's handle and its duplicate";
  EXPECT_LT(returned - inside.ClosedAt, 1000u) << "from the close to the entry routine's end";

  // The receiver is stopped, the port has its own time-outs back and is
  // closed, and the window's thread takes no more work.
  EXPECT_EQ(ReadThread, nullptr);
  EXPECT_EQ(PortHandle, INVALID_HANDLE_VALUE);
  EXPECT_EQ(Timeouts(inside.SameObject), "0 0 0 0 0");
  EXPECT_EQ(HandlesOnTheObject(inside.SameObject), 1u) << "the program's handle is still open";
  EXPECT_EQ(MailboxWindow(), nullptr);

  // The link reports nothing more to the window, which goes only when the
  // process ends, with the application object.
  ReportPortMarks(Port);
  EXPECT_FALSE(Main->MenuCOM4->Checked()) << "a report reached the window after the entry";

  // The window goes, as it does when the program ends; no line is run
  // after it, though the processor goes on sending.
  delete Main;
  Main = nullptr;
  int linesRun = 0;
  InstallLinkReports({[&linesRun](const char*, bool) { ++linesRun; },
                      [&linesRun](const std::vector<std::string>& lines) { linesRun += static_cast<int>(lines.size()); },
                      nullptr, nullptr});
  PumpFor(300);
  EXPECT_EQ(linesRun, 0);
  InstallLinkReports({});
  EXPECT_TRUE(boxes.empty());

  stopStreaming = true;
  processor.join();
  CloseHandle(inside.SameObject);
  CloseHandle(ended);
  SetMessageBoxHook(nullptr);
}

}  // namespace
