// Measures the keypad's cadence on the real main window: each key is held
// with a press on the picture while the message loop runs, the port is the
// write end of a pipe, and a reader thread stamps every line with the
// performance counter as it comes out of the pipe. Prints, per key, the time
// from the press to its first line, from the first line to the first repeat
// (or held command), and the repeat period: mean, min, max, std. deviation,
// and the means as figures for ./bench.
//   scripts/test-session scripts/wine-exec build/<dir>/benchmarks/repeat_cadence.exe [hold-ms [presses]]
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/MainForm.h"
#include "benchmarks/BenchReport.h"
#include "framework/Application.h"
#include "keypad/KeyTable.h"
#include "link/SerialPort.h"

namespace {

using bench::CounterMs;
using bench::Now;
using bench::Pump;

struct Stamped {
  LONGLONG At;
  std::string Line;
};

// The far end of the port. Owned by the reader thread until it ends; the
// stamped lines are shared with the window's thread under the lock.
class PipeReader {
public:
  explicit PipeReader(HANDLE read) : read_(read), thread_([this] { Run(); }) {}
  ~PipeReader() { thread_.join(); }

  std::vector<Stamped> Take() {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<Stamped> out;
    out.swap(lines_);
    return out;
  }

private:
  // Ends when the write end is closed: the read then fails.
  void Run() {
    std::string partial;
    char buf[256];
    DWORD got = 0;
    while (ReadFile(read_, buf, sizeof(buf), &got, nullptr) && got > 0) {
      const LONGLONG at = Now();
      partial.append(buf, got);
      for (size_t end; (end = partial.find("\r\n")) != std::string::npos;) {
        std::lock_guard<std::mutex> lock(mutex_);
        lines_.push_back({at, partial.substr(0, end)});
        partial.erase(0, end + 2);
      }
    }
  }

  HANDLE read_;
  std::mutex mutex_;
  std::vector<Stamped> lines_;
  std::thread thread_;
};

LPARAM PictureLParam(const KeySlot& key) {
  // The picture lies at (2, 0) in the window's client area.
  return MAKELPARAM(static_cast<WORD>(key.X + 2), static_cast<WORD>(key.Y));
}

struct Stats {
  size_t Count = 0;
  double Mean = 0, Min = 0, Max = 0, StdDev = 0;
};

Stats Summarise(const std::vector<double>& v) {
  Stats s;
  s.Count = v.size();
  if (v.empty()) return s;
  s.Min = *std::min_element(v.begin(), v.end());
  s.Max = *std::max_element(v.begin(), v.end());
  for (double x : v) s.Mean += x;
  s.Mean /= static_cast<double>(v.size());
  for (double x : v) s.StdDev += (x - s.Mean) * (x - s.Mean);
  s.StdDev = std::sqrt(s.StdDev / static_cast<double>(v.size()));
  return s;
}

struct Cadence {
  Stats PressLatency, FirstDelay, Period;
};

Cadence Hold(PipeReader& reader, const char* name, int slot, DWORD holdMs, int runs) {
  const KeySlot& key = KeyTable[slot];
  std::vector<double> pressLatency, firstDelay, periods;
  size_t linesPerRun = 0;
  for (int run = 0; run < runs; ++run) {
    const LONGLONG pressed = Now();
    SendMessageA(Main->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, PictureLParam(key));
    Pump(holdMs);
    SendMessageA(Main->Handle(), WM_LBUTTONUP, 0, PictureLParam(key));
    Pump(150);  // the last line out of the pipe, the marker gone
    const std::vector<Stamped> lines = reader.Take();
    linesPerRun = lines.size();
    if (lines.empty()) continue;
    pressLatency.push_back(CounterMs(lines[0].At - pressed));
    if (lines.size() > 1) firstDelay.push_back(CounterMs(lines[1].At - lines[0].At));
    for (size_t i = 2; i < lines.size(); ++i) {
      periods.push_back(CounterMs(lines[i].At - lines[i - 1].At));
    }
  }
  std::printf("%s (slot %d, delay %d ticks), held %lu ms x %d, %zu lines in the last run\n", name,
              slot, key.DelayTicks, static_cast<unsigned long>(holdMs), runs, linesPerRun);
  const Cadence cadence{Summarise(pressLatency), Summarise(firstDelay), Summarise(periods)};
  const struct {
    const char* Label;
    const Stats& S;
  } rows[] = {{"press to first line", cadence.PressLatency},
              {"first line to second", cadence.FirstDelay},
              {"repeat period", cadence.Period}};
  for (const auto& row : rows) {
    const Stats& s = row.S;
    if (s.Count == 0) {
      std::printf("  %-22s none\n", row.Label);
      continue;
    }
    std::printf("  %-22s n=%-4zu mean %8.3f  min %8.3f  max %8.3f  sd %7.3f ms\n", row.Label,
                s.Count, s.Mean, s.Min, s.Max, s.StdDev);
  }
  return cadence;
}

}  // namespace

int main(int argc, char** argv) {
  const DWORD holdMs = argc > 1 ? static_cast<DWORD>(std::atoi(argv[1])) : 3000;
  const int presses = argc > 2 ? std::atoi(argv[2]) : 5;
  Application->Initialize();
  Application->Title = ProgramTitle;
  Application->CreateForm(Main);
  Pump(200);

  HANDLE read = nullptr, write = nullptr;
  if (!CreatePipe(&read, &write, nullptr, 1 << 16)) {
    std::fprintf(stderr, "CreatePipe failed: %lu\n", GetLastError());
    return 1;
  }
  {
    PipeReader reader(read);
    PortHandle = write;
    const Cadence volume = Hold(reader, "Volume up", 11, holdMs, presses);
    const Cadence digital = Hold(reader, "Digital up", 3, holdMs, presses);
    const Cadence mem = Hold(reader, "Mem / Enter", 13, holdMs / 3, presses);
    // Means over the presses of this run; a press's own line leaves from
    // inside the press handler, so its latency is the pipe's.
    using bench::Figure;
    Figure("Volume up: press to command, mean", "ms", "at once", volume.PressLatency.Mean);
    Figure("Volume up: press to command, max", "ms", "at once", volume.PressLatency.Max);
    Figure("Volume up: first repeat after", "ms", "120", volume.FirstDelay.Mean);
    Figure("Volume up: repeat period, mean", "ms", "60", volume.Period.Mean);
    Figure("Volume up: repeat period, max", "ms", "60", volume.Period.Max);
    Figure("Digital up: first repeat after", "ms", "360", digital.FirstDelay.Mean);
    Figure("Digital up: repeat period, mean", "ms", "60", digital.Period.Mean);
    Figure("Mem / Enter: held command after", "ms", "240", mem.FirstDelay.Mean);
    PortHandle = INVALID_HANDLE_VALUE;
    CloseHandle(write);  // ends the reader
  }
  CloseHandle(read);
  std::fflush(stdout);
  return 0;
}
