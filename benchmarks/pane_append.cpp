// The cost of adding a line to the terminal pane as the content grows, on
// the real main window with the pane shown and Settings > Terminal > Clear
// unchecked (nothing is ever erased). Each ShowLine is timed on the window's
// thread, where every line ends up (the receiver's lines are handed over
// and added there); the window's messages are dispatched after every
// kDispatchEvery lines, as a burst of received lines would let the pane
// repaint, and that time is not counted. Prints, around 1k, 10k and 100k
// lines appended, the mean and the largest cost of one line over the
// preceding window of lines, and the peak working set after the run.
//   scripts/test-session scripts/wine-exec build/<dir>/benchmarks/pane_append.exe [lines]
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/MainForm.h"
#include "app/TerminalPane.h"
#include "benchmarks/BenchReport.h"
#include "framework/Application.h"

namespace {

// Lines before each point over which the cost is averaged: a multiple of
// the pane's trimming step, so each window holds the same number of trims.
constexpr int kWindow = 500;
constexpr int kDispatchEvery = 10;

double PeakWorkingSetMb() {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof(counters);
  if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters))) return 0;
  return static_cast<double>(counters.PeakWorkingSetSize) / (1024.0 * 1024.0);
}

// A processor's report of the length such lines usually have, with a
// longer one now and then that wraps in the pane.
std::string LineFor(int i) {
  std::string line = "OK " + std::to_string(i) + " VOL -32.5dB MAIN ON\r";
  if (i % 10 == 0) line += " STATUS " + std::string(40, '.');
  return line;
}

}  // namespace

int main(int argc, char** argv) {
  const int total = argc > 1 ? std::atoi(argv[1]) : 100000;
  Application->Initialize();
  Application->Title = ProgramTitle;
  Application->CreateForm(Main);
  Main->MenuVisibleClick(Main->MenuVisible);  // the pane shown
  Main->MenuEraseClick(Main->MenuErase);      // Clear unchecked
  bench::Pump(200);
  if (!Main->MenuVisible->Checked() || Main->MenuErase->Checked()) {
    std::fprintf(stderr, "the pane is not shown with Clear unchecked\n");
    return 1;
  }
  const double startPeak = PeakWorkingSetMb();

  std::vector<double> costs;
  costs.reserve(static_cast<size_t>(total));
  const LONGLONG runStart = bench::Now();
  for (int i = 0; i < total; ++i) {
    const std::string line = LineFor(i);
    const LONGLONG before = bench::Now();
    ShowLine(line.c_str(), true);
    costs.push_back(bench::CounterMs(bench::Now() - before));
    if (i % kDispatchEvery != kDispatchEvery - 1) continue;
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
  }
  const double runMs = bench::CounterMs(bench::Now() - runStart);
  const int paneLines = Main->CommBuff->Lines()->Count();

  std::printf("%d lines in %.0f ms (%.3f ms per line with dispatching); the pane holds %d\n", total,
              runMs, runMs / total, paneLines);
  const struct {
    int At;
    const char* Mean;
    const char* Max;
  } points[] = {{1000, "Pane append at 1k lines, mean", "Pane append at 1k lines, max"},
                {10000, "Pane append at 10k lines, mean", "Pane append at 10k lines, max"},
                {100000, "Pane append at 100k lines, mean", "Pane append at 100k lines, max"}};
  for (const auto& p : points) {
    if (p.At > total) continue;
    const std::vector<double> window(costs.begin() + (p.At - kWindow), costs.begin() + p.At);
    std::printf("  lines %6d..%6d: mean %.3f ms, max %.3f ms\n", p.At - kWindow + 1, p.At,
                bench::Mean(window), bench::Max(window));
    bench::Figure(p.Mean, "ms", "about 1, flat", bench::Mean(window));
    bench::Figure(p.Max, "ms", "flat", bench::Max(window));
  }
  bench::Figure("Pane lines kept after the run", "lines", "1000 to 1100", paneLines);
  const double peak = PeakWorkingSetMb();
  std::printf("peak working set: %.1f MB after start-up, %.1f MB after the run\n", startPeak, peak);
  bench::Figure("Peak working set after the append run", "MB", "", peak);
  return 0;
}
