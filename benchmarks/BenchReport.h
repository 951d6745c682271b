// What every benchmark program shares: the clock, a message pump that does
// not spin, and the one line format ./bench reads. A program prints its
// human-readable report as it likes and, for each figure the table shows,
// one line
//   FIGURE<TAB>name<TAB>unit<TAB>reference<TAB>value
// ./bench collects these over repeated runs and keeps the order in which
// names first appear.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace bench {

inline LONGLONG Now() {
  LARGE_INTEGER c;
  QueryPerformanceCounter(&c);
  return c.QuadPart;
}

inline double CounterMs(LONGLONG ticks) {
  static const double perMs = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return static_cast<double>(f.QuadPart) / 1000.0;
  }();
  return static_cast<double>(ticks) / perMs;
}

// Runs the calling thread's message loop for the given time, sleeping in
// MsgWaitForMultipleObjects while nothing is queued.
inline void Pump(DWORD ms) {
  const DWORD start = GetTickCount();
  for (;;) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    const DWORD elapsed = GetTickCount() - start;
    if (elapsed >= ms) return;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, ms - elapsed, QS_ALLINPUT);
  }
}

inline void Figure(const char* name, const char* unit, const char* reference, double value) {
  std::printf("FIGURE\t%s\t%s\t%s\t%.4f\n", name, unit, reference, value);
  std::fflush(stdout);
}

inline double Mean(const std::vector<double>& v) {
  if (v.empty()) return 0;
  double sum = 0;
  for (double x : v) sum += x;
  return sum / static_cast<double>(v.size());
}

inline double Max(const std::vector<double>& v) {
  return v.empty() ? 0 : *std::max_element(v.begin(), v.end());
}

// User plus system time of a Unix process (the wineserver), in ms, from
// /proc/PID/stat through Wine's Z: drive; -1 when unknown.
inline double UnixCpuMs(const char* pid) {
  if (!pid || !*pid) return -1;
  const std::string path = std::string("Z:\\proc\\") + pid + "\\stat";
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return -1;
  char buf[1024] = {};
  const size_t n = std::fread(buf, 1, sizeof(buf) - 1, f);
  std::fclose(f);
  buf[n] = '\0';
  const char* p = std::strrchr(buf, ')');  // the command name may hold spaces
  if (!p) return -1;
  unsigned long long utime = 0, stime = 0;
  if (std::sscanf(p + 2, "%*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %llu %llu", &utime, &stime) !=
      2) {
    return -1;
  }
  return static_cast<double>(utime + stime) * 10.0;
}

}  // namespace bench
