// The cost of adding lines to the terminal pane, on the real main window
// with the pane shown and Settings > Terminal > Clear unchecked (nothing is
// ever erased). Two runs:
//
//   pane_append.exe [lines] [burst]
//     The pane as the program has it, its bound included. With burst 1 (the
//     default) each line is a ShowLine, the way the window's own lines (an
//     echo) go in, one append each. With a larger burst the lines are
//     handed over `burst` at a time through the receiver's hand-over
//     (HandOverLine) and reach the pane through the mailbox as one report;
//     the handling of the mailbox's wake-up is what is timed, and a line's
//     cost is that time over the burst. Prints, around 1k, 2k, 5k, 10k,
//     20k, 50k and 100k lines appended, the mean cost of one line and the
//     largest cost of one append over the preceding 500 lines, and the
//     processor time a line took over them, painting included (1k, 10k and
//     100k as figures); the lines the pane keeps; the peak working set. The window's other messages (painting) are
//     dispatched after every 10 lines, or after each burst, and not timed.
//
//   pane_append.exe sizes
//     The edit control itself, without the pane's bound, to choose that
//     bound: the pane filled with a given number of lines (typical lines,
//     and lines of the longest length the receiver passes on), then the
//     median cost of one line appended alone, of a burst of 10 in one
//     append, of reading the text and counting its lines (what a trim
//     decides on), and of removing the oldest tenth of the lines.
//
//   scripts/test-session scripts/wine-exec build/<dir>/benchmarks/pane_append.exe [args]
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/MainForm.h"
#include "app/PaneBound.h"
#include "app/TerminalPane.h"
#include "benchmarks/BenchReport.h"
#include "benchmarks/SerialBench.h"
#include "framework/Application.h"
#include "framework/Mailbox.h"
#include "link/LinkReports.h"

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

// The longest line the receiver passes on: 63 characters and a CR.
std::string LongLineFor(int i) {
  std::string line = "OK " + std::to_string(i) + " ";
  line += std::string(RxCapacity - 1 - line.size(), '.');
  return line + "\r";
}

void DispatchAll() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

// Dispatches the mailbox's wake-up and returns how long its handling took:
// the units queued, here the one that reports the burst.
double DispatchMailbox() {
  MSG msg;
  if (!PeekMessageA(&msg, MailboxWindow(), 0, 0, PM_REMOVE)) return -1;
  const LONGLONG before = bench::Now();
  DispatchMessageA(&msg);
  return bench::CounterMs(bench::Now() - before);
}

int RunAppend(int total, int burst) {
  const double startPeak = PeakWorkingSetMb();
  // Per line: its share of the append it went in with. Per append: the cost.
  std::vector<double> lineCosts, appendCosts;
  lineCosts.reserve(static_cast<size_t>(total));
  appendCosts.reserve(static_cast<size_t>(total / burst + 1));
  // This thread's processor time at every kWindow lines, dispatching
  // (painting) included: what the lines cost the program, whatever else
  // the machine is doing meanwhile.
  std::vector<double> cpuAt;
  const LONGLONG runStart = bench::Now();
  for (int i = 0; i < total; i += burst) {
    if (i % kWindow == 0) cpuAt.push_back(bench::ThreadCpuMs(GetCurrentThread()));
    double cost;
    if (burst == 1) {
      const std::string line = LineFor(i);
      const LONGLONG before = bench::Now();
      ShowLine(line.c_str(), true);
      cost = bench::CounterMs(bench::Now() - before);
    } else {
      for (int j = i; j < i + burst && j < total; ++j) HandOverLine(LineFor(j).c_str());
      cost = DispatchMailbox();
      if (cost < 0) {
        std::fprintf(stderr, "no wake-up from the mailbox for the burst at line %d\n", i);
        return 1;
      }
    }
    appendCosts.push_back(cost);
    for (int j = i; j < i + burst && j < total; ++j) lineCosts.push_back(cost / burst);
    if (burst > 1 || i % kDispatchEvery == kDispatchEvery - 1) DispatchAll();
  }
  cpuAt.push_back(bench::ThreadCpuMs(GetCurrentThread()));
  const double runMs = bench::CounterMs(bench::Now() - runStart);
  const std::string text = Main->CommBuff->Lines()->Text();
  const size_t paneLines = PaneLineCount(text);
  const std::string last = LineFor(total - 1) + "\r\n";
  if (text.size() < last.size() || text.compare(text.size() - last.size(), last.size(), last) != 0) {
    std::fprintf(stderr, "the pane does not end with the last line\n");
    return 1;
  }

  std::printf("%d lines in bursts of %d in %.0f ms (%.3f ms per line with dispatching); the pane holds "
              "%zu lines, %zu characters\n",
              total, burst, runMs, runMs / total, paneLines, text.size());
  const std::string kind = burst == 1 ? "" : " (bursts of " + std::to_string(burst) + ")";
  // Every point is printed; 1k, 10k and 100k make the table's figures.
  for (int at : {1000, 2000, 5000, 10000, 20000, 50000, 100000}) {
    if (at > total) continue;
    const std::vector<double> lines(lineCosts.begin() + (at - kWindow), lineCosts.begin() + at);
    const std::vector<double> appends(appendCosts.begin() + (at - kWindow) / burst,
                                      appendCosts.begin() + at / burst);
    const double cpu = (cpuAt[at / kWindow] - cpuAt[at / kWindow - 1]) / kWindow;
    std::printf("  lines %6d..%6d: per line mean %.3f ms, processor %.3f ms; per append mean %.3f "
                "ms, max %.3f ms\n",
                at - kWindow + 1, at, bench::Mean(lines), cpu, bench::Mean(appends),
                bench::Max(appends));
    if (at != 1000 && at != 10000 && at != 100000) continue;
    const std::string point = "Pane append at " + std::to_string(at / 1000) + "k lines" + kind;
    bench::Figure((point + ", per line, mean").c_str(), "ms", "about 1, flat", bench::Mean(lines));
    bench::Figure((point + ", per line, processor").c_str(), "ms", "flat", cpu);
    bench::Figure((point + ", one append, max").c_str(), "ms", "flat", bench::Max(appends));
  }
  const std::string kept = std::to_string(PaneKeptLines) + " to " + std::to_string(PaneLineBound);
  bench::Figure(("Pane lines kept after the run" + kind).c_str(), "lines", kept.c_str(),
                static_cast<double>(paneLines));
  const double peak = PeakWorkingSetMb();
  std::printf("peak working set: %.1f MB after start-up, %.1f MB after the run\n", startPeak, peak);
  bench::Figure(("Peak working set after the append run" + kind).c_str(), "MB", "", peak);
  return 0;
}

// ------------------------------------------------------------------ sizes

// How long f takes, in ms.
template <typename F>
double TimedMs(F&& f) {
  const LONGLONG before = bench::Now();
  f();
  return bench::CounterMs(bench::Now() - before);
}

// The median of `times` measurements, each of f(i) returning its own cost;
// the window's other messages (painting) are dispatched after each and not
// timed. The median, not the mean: on a shared machine a few calls meet
// another program's work.
template <typename F>
double MedianMs(int times, F&& f) {
  std::vector<double> costs;
  for (int i = 0; i < times; ++i) {
    costs.push_back(f(i));
    DispatchAll();
  }
  std::sort(costs.begin(), costs.end());
  const size_t n = costs.size();
  return n % 2 ? costs[n / 2] : (costs[n / 2 - 1] + costs[n / 2]) / 2;
}

// Processor time of this thread per call of op(i), over `groups` groups of
// `each` calls, the pane refilled before each group; the painting that
// follows each call (dispatched) is counted, since the program pays it too.
// Processor time, unlike the clock, does not count the time other programs
// on the machine take; it is read in 10 ms steps under Wine, so each group
// of calls is made long enough for those steps to matter little.
template <typename Refill, typename Op>
double CpuMsPerCall(int groups, int each, Refill&& refill, Op&& op) {
  double cpu = 0;
  for (int g = 0; g < groups; ++g) {
    refill();
    const double before = bench::ThreadCpuMs(GetCurrentThread());
    for (int k = 0; k < each; ++k) {
      op(g * each + k);
      DispatchAll();
    }
    cpu += bench::ThreadCpuMs(GetCurrentThread()) - before;
  }
  return cpu / (groups * each);
}

void Measure(const char* kindName, std::string (*lineFor)(int), int lines) {
  TMemoStrings* memo = Main->CommBuff->Lines();
  HWND pane = Main->CommBuff->Handle();
  std::string text;
  for (int i = 0; i < lines; ++i) text += lineFor(i) + "\r\n";
  auto refill = [&] {
    memo->SetText(text);
    SendMessageA(pane, EM_SETSEL, text.size(), text.size());
    DispatchAll();
  };
  refill();
  const int rows = static_cast<int>(SendMessageA(pane, EM_GETLINECOUNT, 0, 0));
  // Each group adds at most 100 lines before the next refill: a rounding
  // error against the sizes measured.
  auto addOne = [&](int i) { memo->Add(lineFor(lines + i)); };
  auto addTen = [&](int i) {
    std::vector<std::string> burst;
    for (int j = 0; j < 10; ++j) burst.push_back(lineFor(lines + i * 10 + j));
    memo->AddStrings(burst);
  };
  const double one = MedianMs(100, [&](int i) { return TimedMs([&] { addOne(i); }); });
  refill();
  const double ten = MedianMs(10, [&](int i) { return TimedMs([&] { addTen(i); }); });
  const double oneCpu = CpuMsPerCall(4, 50, refill, addOne);
  const double tenCpu = CpuMsPerCall(4, 10, refill, addTen);
  const double scanCpu = CpuMsPerCall(1, 100, refill, [&](int) { PaneLineCount(memo->Text()); });
  // A trim as the pane makes it: the oldest tenth of the lines in one edit
  // under the memo's update guard, the caret put back at the end.
  const size_t cut =
      PaneTrimPoint(text, PaneBounds{0, 0, static_cast<size_t>(lines - lines / 10), text.size()});
  const double trim = MedianMs(5, [&](int) {
    refill();
    return TimedMs([&] {
      memo->BeginUpdate();
      SendMessageA(pane, EM_SETSEL, 0, static_cast<LPARAM>(cut));
      SendMessageA(pane, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(""));
      SendMessageA(pane, EM_SETSEL, text.size() - cut, static_cast<LPARAM>(text.size() - cut));
      SendMessageA(pane, EM_SCROLLCARET, 0, 0);
      memo->EndUpdate();
    });
  });
  std::printf("%-8s %6d lines, %7zu characters, %6d rows: one line %.3f ms (processor %.3f), "
              "10 in one append %.3f ms (processor %.3f, %.3f a line), read and count: processor "
              "%.3f ms, remove the oldest tenth %.3f ms\n",
              kindName, lines, text.size(), rows, one, oneCpu, ten, tenCpu, tenCpu / 10, scanCpu,
              trim);
  const std::string at = std::string(kindName) + " lines, pane of " + std::to_string(lines);
  bench::Figure(("Edit control, " + at + ": one line, median").c_str(), "ms", "-", one);
  bench::Figure(("Edit control, " + at + ": one line, processor").c_str(), "ms", "-", oneCpu);
  bench::Figure(("Edit control, " + at + ": 10 lines in one append, median").c_str(), "ms", "-", ten);
  bench::Figure(("Edit control, " + at + ": 10 lines in one append, processor").c_str(), "ms", "-",
                tenCpu);
  bench::Figure(("Edit control, " + at + ": read and count the lines, processor").c_str(), "ms",
                "-", scanCpu);
  bench::Figure(("Edit control, " + at + ": remove the oldest tenth, median").c_str(), "ms", "-",
                trim);
}

int RunSizes() {
  for (int lines : {1000, 2000, 3000, 5000, 10000, 20000}) Measure("typical", &LineFor, lines);
  for (int lines : {1000, 2000, 3000, 5000}) Measure("longest", &LongLineFor, lines);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const bool sizes = argc > 1 && std::strcmp(argv[1], "sizes") == 0;
  const int total = !sizes && argc > 1 ? std::atoi(argv[1]) : 100000;
  const int burst = argc > 2 ? std::atoi(argv[2]) : 1;
  if (!sizes && (total < kWindow || burst < 1 || kWindow % burst != 0)) {
    std::fprintf(stderr, "usage: pane_append.exe [lines] [burst dividing %d] | sizes\n", kWindow);
    return 2;
  }
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
  return sizes ? RunSizes() : RunAppend(total, burst);
}
