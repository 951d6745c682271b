// The program itself (orvant-remote.exe, built beside the tests) started
// as a process of its own and closed while the processor streams lines at
// it: the process must be gone within a second and end with code 0.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "app/MainForm.h"
#include "support/MainWindow.h"
#include "support/Pump.h"
#include "support/SerialPeer.h"

namespace {

constexpr int Port = 6;

std::string ProgramPath() {
  char path[MAX_PATH];
  const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string dir(path, n);
  dir.erase(dir.find_last_of('\\') + 1);
  return dir + "..\\app\\orvant-remote.exe";
}

struct WindowOf {
  DWORD Process;
  HWND Found;
};

BOOL CALLBACK FindMainWindow(HWND hwnd, LPARAM param) {
  auto* search = reinterpret_cast<WindowOf*>(param);
  DWORD process = 0;
  GetWindowThreadProcessId(hwnd, &process);
  char name[64] = {};
  GetClassNameA(hwnd, name, sizeof name);
  if (process != search->Process || std::string(name) != "TOrvantForm" || !IsWindowVisible(hwnd)) {
    return TRUE;
  }
  search->Found = hwnd;
  return FALSE;
}

TEST(Program, ClosingItsWindowWhileLinesStreamEndsTheProcessWithinASecond) {
  // The program numbers its menu's commands as it builds its one window,
  // the same way this test's copy of the window is numbered.
  EnsureMainWindow();
  const UINT pickPort = Main->MenuCOM6->Command();

  SerialPeer peer(Port);
  ASSERT_TRUE(peer.IsOpen());
  const std::string program = ProgramPath();
  ASSERT_NE(GetFileAttributesA(program.c_str()), INVALID_FILE_ATTRIBUTES) << program;
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  ASSERT_TRUE(CreateProcessA(program.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                             &startup, &process));
  WindowOf window{process.dwProcessId, nullptr};
  PumpUntil([&window] {
    EnumWindows(&FindMainWindow, reinterpret_cast<LPARAM>(&window));
    return window.Found != nullptr;
  });

  std::atomic<bool> stopStreaming{false};
  std::thread processor;
  if (window.Found) {
    // Settings > Port > COM6, then a click on THX proves the port open.
    PostMessageA(window.Found, WM_COMMAND, pickPort, 0);
    PostMessageA(window.Found, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(25 + 2, 129));
    PostMessageA(window.Found, WM_LBUTTONUP, 0, MAKELPARAM(25 + 2, 129));
    EXPECT_EQ(peer.TakeAtLeast(11), "1 17 1 15\r\n");

    processor = std::thread([&] {
      for (int i = 0; !stopStreaming; ++i) {
        peer.Write("line " + std::to_string(i) + "\n");
        Sleep(2);
      }
    });
    // The lines reach the program's (hidden) pane.
    const HWND pane = FindWindowExA(window.Found, nullptr, "EDIT", nullptr);
    EXPECT_TRUE(PumpUntil([pane] { return SendMessageA(pane, WM_GETTEXTLENGTH, 0, 0) > 200; }));

    const DWORD closed = GetTickCount();
    PostMessageA(window.Found, WM_SYSCOMMAND, SC_CLOSE, 0);
    const DWORD wait = WaitForSingleObject(process.hProcess, 10000);
    const DWORD took = GetTickCount() - closed;
    EXPECT_EQ(wait, WAIT_OBJECT_0) << "the program did not end within 10 s";
    EXPECT_LT(took, 1000u) << "from the close to the process's end";
  } else {
    ADD_FAILURE() << "the program's window did not show";
  }

  DWORD code = STILL_ACTIVE;
  if (WaitForSingleObject(process.hProcess, 0) != WAIT_OBJECT_0) {
    TerminateProcess(process.hProcess, 99);
    WaitForSingleObject(process.hProcess, 10000);
  } else {
    GetExitCodeProcess(process.hProcess, &code);
    EXPECT_EQ(code, 0u);
  }
  stopStreaming = true;
  if (processor.joinable()) processor.join();
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
}

}  // namespace
