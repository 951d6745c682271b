// The real program as a user meets it: starts orvant-remote.exe, measures
// the time from CreateProcess to its main window being visible, its size on
// disk, its peak working set after start-up, then shows the terminal pane
// through Settings > Terminal > Visible and measures the processor time it
// takes while nothing happens (no port open), and, when its process id is
// given, the wineserver's share too (read from the Unix /proc through Wine's
// Z: drive). Closes the program at the end.
// The program's window is found by its process and title.
//   scripts/test-session scripts/wine-exec build/<dir>/benchmarks/startup.exe
//     build/<dir>/app/orvant-remote.exe [idle-seconds [wineserver-pid]]
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/MainForm.h"
#include "benchmarks/BenchReport.h"
#include "framework/Application.h"

namespace {

constexpr char kTitle[] = "Orvant Remote";

struct Found {
  DWORD Process;
  HWND Window = nullptr;
};

BOOL CALLBACK FindMain(HWND hwnd, LPARAM param) {
  auto* found = reinterpret_cast<Found*>(param);
  DWORD process = 0;
  GetWindowThreadProcessId(hwnd, &process);
  char title[64] = {};
  GetWindowTextA(hwnd, title, sizeof(title));
  if (process == found->Process && std::strcmp(title, kTitle) == 0 && IsWindowVisible(hwnd)) {
    found->Window = hwnd;
    return FALSE;
  }
  return TRUE;
}

// The visible main window of the process, or nullptr.
HWND MainWindowOf(DWORD process) {
  Found found{process};
  EnumWindows(FindMain, reinterpret_cast<LPARAM>(&found));
  return found.Window;
}

// The command identifier of Settings > Terminal > Visible in the program.
// Wine keeps menus inside their process, so another process cannot walk
// them; but the framework numbers menu items in the order they are made,
// and building the same window here, after the same start-up steps, gives
// the same numbers. The window is made only after the measurements of the
// start-up and destroyed at once.
UINT VisibleCommand() {
  Application->Initialize();
  Application->Title = ProgramTitle;
  Application->CreateForm(Main);
  const UINT command = Main->MenuVisible->Command();
  ShowWindow(Main->Handle(), SW_HIDE);
  return command;
}

double FileTimeMs(const FILETIME& t) {
  ULARGE_INTEGER v;
  v.LowPart = t.dwLowDateTime;
  v.HighPart = t.dwHighDateTime;
  return static_cast<double>(v.QuadPart) / 10000.0;
}

// User plus kernel time of a process so far, in ms.
double ProcessCpuMs(HANDLE process) {
  FILETIME created, exited, kernel, user;
  if (!GetProcessTimes(process, &created, &exited, &kernel, &user)) return -1;
  return FileTimeMs(kernel) + FileTimeMs(user);
}

double PeakWorkingSetMb(HANDLE process) {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof(counters);
  if (!GetProcessMemoryInfo(process, &counters, sizeof(counters))) return -1;
  return static_cast<double>(counters.PeakWorkingSetSize) / (1024.0 * 1024.0);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: startup PROGRAM [idle-seconds [wineserver-pid]]\n");
    return 2;
  }
  const char* program = argv[1];
  const int idleSeconds = argc > 2 ? std::atoi(argv[2]) : 10;
  const char* serverPid = argc > 3 ? argv[3] : nullptr;

  WIN32_FILE_ATTRIBUTE_DATA attributes{};
  if (GetFileAttributesExA(program, GetFileExInfoStandard, &attributes)) {
    bench::Figure("Executable size", "KiB", "", attributes.nFileSizeLow / 1024.0);
  }

  STARTUPINFOA si{};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi{};
  std::string commandLine = std::string("\"") + program + "\"";
  const LONGLONG start = bench::Now();
  if (!CreateProcessA(program, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                      &pi)) {
    std::fprintf(stderr, "cannot start %s: error %lu\n", program, GetLastError());
    return 1;
  }
  HWND window = nullptr;
  while (!(window = MainWindowOf(pi.dwProcessId))) {
    if (bench::CounterMs(bench::Now() - start) > 30000 ||
        WaitForSingleObject(pi.hProcess, 1) == WAIT_OBJECT_0) {
      break;
    }
  }
  int status = 0;
  if (!window) {
    std::fprintf(stderr, "no visible main window within 30 s\n");
    status = 1;
  } else {
    const double shownMs = bench::CounterMs(bench::Now() - start);
    std::printf("main window visible %.1f ms after CreateProcess\n", shownMs);
    bench::Figure("Start-up to window shown", "ms", "", shownMs);
    WaitForInputIdle(pi.hProcess, 5000);
    Sleep(500);
    bench::Figure("Peak working set after start-up", "MB", "", PeakWorkingSetMb(pi.hProcess));

    const UINT visible = VisibleCommand();
    RECT before{}, after{};
    GetWindowRect(window, &before);
    if (visible) PostMessageA(window, WM_COMMAND, MAKEWPARAM(visible, 0), 0);
    Sleep(1000);  // the window grows and settles
    GetWindowRect(window, &after);
    if (!visible || after.bottom - after.top <= before.bottom - before.top) {
      std::fprintf(stderr, "the terminal pane could not be shown (command %u, height %ld to %ld)\n",
                   visible, before.bottom - before.top, after.bottom - after.top);
      status = 1;
    } else {
      const double cpu0 = ProcessCpuMs(pi.hProcess);
      const double server0 = serverPid ? bench::UnixCpuMs(serverPid) : -1;
      const LONGLONG idleStart = bench::Now();
      Sleep(static_cast<DWORD>(idleSeconds) * 1000);
      const double wallMs = bench::CounterMs(bench::Now() - idleStart);
      const double cpu1 = ProcessCpuMs(pi.hProcess);
      const double server1 = serverPid ? bench::UnixCpuMs(serverPid) : -1;
      const double share = 100.0 * (cpu1 - cpu0) / wallMs;
      std::printf("idle over %.1f s: program %.3f %% of a core (%.1f to %.1f ms)\n", wallMs / 1000,
                  share, cpu0, cpu1);
      bench::Figure("Idle CPU, program, pane shown, no port", "% of a core", "at most 0.5", share);
      if (server0 >= 0 && server1 >= 0) {
        const double serverShare = 100.0 * (server1 - server0) / wallMs;
        std::printf("idle over %.1f s: wineserver %.3f %% of a core\n", wallMs / 1000,
                    serverShare);
        bench::Figure("Idle CPU, wineserver (whole session)", "% of a core", "", serverShare);
      }
    }
  }
  if (window) PostMessageA(window, WM_CLOSE, 0, 0);
  if (WaitForSingleObject(pi.hProcess, 10000) != WAIT_OBJECT_0) {
    std::fprintf(stderr, "the program did not end on WM_CLOSE\n");
    TerminateProcess(pi.hProcess, 1);
    status = 1;
  }
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return status;
}
