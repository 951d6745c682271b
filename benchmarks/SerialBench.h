// What the serial benchmarks share, beside BenchReport.h: the real main
// window set up as a user watching the traffic would have it (pane shown,
// Settings > Terminal > Clear unchecked), processor time and memory of this
// process and of the session's wineserver, and order statistics.
// The programs run under scripts/wine-exec-serial: COMn is the window's port,
// COM(n+8) its far end, opened here in the same process.
#pragma once

#include <psapi.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/MainForm.h"
#include "benchmarks/BenchReport.h"
#include "framework/Application.h"

namespace bench {

// Builds the one window as the program does and shows the pane with Clear
// unchecked; false (with a message) when that did not take.
inline bool MakeWatchedWindow() {
  Application->Initialize();
  Application->Title = ProgramTitle;
  Application->CreateForm(Main);
  Main->MenuVisibleClick(Main->MenuVisible);
  Main->MenuEraseClick(Main->MenuErase);
  Pump(200);
  if (!Main->MenuVisible->Checked() || Main->MenuErase->Checked()) {
    std::fprintf(stderr, "the pane is not shown with Clear unchecked\n");
    return false;
  }
  return true;
}

// Settings > Port > COMn, as the menu delivers it.
inline void PickPort(int n) {
  TMenuItem* const entries[] = {Main->MenuCOM1, Main->MenuCOM2, Main->MenuCOM3, Main->MenuCOM4,
                                Main->MenuCOM5, Main->MenuCOM6, Main->MenuCOM7, Main->MenuCOM8};
  SendMessageA(Main->Handle(), WM_COMMAND, entries[n - 1]->Command(), 0);
}

inline double FileTimeMs(const FILETIME& t) {
  ULARGE_INTEGER v;
  v.LowPart = t.dwLowDateTime;
  v.HighPart = t.dwHighDateTime;
  return static_cast<double>(v.QuadPart) / 10000.0;
}

// User plus kernel time so far, in ms (10 ms resolution under Wine).
inline double ProcessCpuMs(HANDLE process = GetCurrentProcess()) {
  FILETIME created, exited, kernel, user;
  if (!GetProcessTimes(process, &created, &exited, &kernel, &user)) return -1;
  return FileTimeMs(kernel) + FileTimeMs(user);
}

inline double ThreadCpuMs(HANDLE thread) {
  FILETIME created, exited, kernel, user;
  if (!GetThreadTimes(thread, &created, &exited, &kernel, &user)) return 0;
  return FileTimeMs(kernel) + FileTimeMs(user);
}

inline double WorkingSetMb(bool peak = false) {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof(counters);
  if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters))) return -1;
  const SIZE_T bytes = peak ? counters.PeakWorkingSetSize : counters.WorkingSetSize;
  return static_cast<double>(bytes) / (1024.0 * 1024.0);
}

// The value below which the given share of the samples lies (nearest rank).
inline double Quantile(std::vector<double> v, double share) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  size_t rank = static_cast<size_t>(share * static_cast<double>(v.size()));
  if (rank >= v.size()) rank = v.size() - 1;
  return v[rank];
}

inline void Describe(const char* what, const std::vector<double>& v) {
  std::printf("%-28s n=%-4zu median %7.2f  p90 %7.2f  min %7.2f  max %7.2f ms\n", what, v.size(),
              Quantile(v, 0.5), Quantile(v, 0.9), Quantile(v, 0.0), Quantile(v, 1.0));
}

}  // namespace bench
