// The receive path under load, on the real main window (pane shown, Clear
// unchecked) with its port on pair 2 of scripts/wine-exec-serial:
// 1. idle: the port open, nothing arriving, the pane shown; processor time
//    of this process (the program's window and receiver; nothing else runs
//    here meanwhile) and of the session's wineserver.
// 2. sustained receive: a writer thread plays the processor at the full
//    9600-baud line rate, 960 bytes/s, as numbered lines of 20 bytes
//    ("L0000042 abcdefghi" CR LF: 48 lines/s), paced by the clock.
//    Completeness and order are judged as lines enter the pane: a subclass
//    of the pane's edit control sees every append (the pane itself keeps
//    only its newest lines), and each must be the next number, exactly once.
//    At the end the pane itself must hold the newest lines, consecutive.
//    Processor time is the process's minus the writer thread's.
//    The window thread's share is given apart.
// Also the long soak (./bench --soak): the same with minutes of streaming,
// the working set sampled every minute.
//   scripts/test-session scripts/wine-exec-serial build/<dir>/benchmarks/serial_stream.exe
//     [stream-seconds [idle-seconds [wineserver-pid [soak]]]]
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "app/TerminalPane.h"
#include "benchmarks/SerialBench.h"
#include "link/SerialPort.h"
#include "support/PaneRecorder.h"
#include "support/SerialPeer.h"

namespace {

using bench::CounterMs;
using bench::Now;

constexpr int kPair = 2;
constexpr double kBytesPerSecond = 960.0;  // 9600 baud, 10 bits a byte
constexpr int kLineBytes = 20;

std::string LineText(long n) {
  char text[32];
  std::snprintf(text, sizeof text, "L%07ld abcdefghi", n);
  return text;
}

// Writes numbered lines to the far end at the line rate until stopped.
class Writer {
public:
  explicit Writer(SerialPeer& peer) : peer_(peer), thread_([this] { Run(); }) {}
  ~Writer() { Stop(); }
  void Stop() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
  }
  long Sent() const { return sent_.load(); }
  // The writer's own processor time; valid once stopped.
  double CpuMs() const { return cpuMs_; }
  bool Failed() const { return failed_; }

private:
  void Run() {
    RunPaced();
    cpuMs_ = bench::ThreadCpuMs(GetCurrentThread());
  }
  void RunPaced() {
    const LONGLONG start = Now();
    const double perLineMs = 1000.0 * kLineBytes / kBytesPerSecond;
    for (long n = 0; !stop_; ++n) {
      const double due = static_cast<double>(n) * perLineMs;
      const double now = CounterMs(Now() - start);
      if (due > now) Sleep(static_cast<DWORD>(due - now) + 1);
      if (!peer_.Write(LineText(n) + "\r\n")) {
        failed_ = true;
        return;
      }
      sent_ = n + 1;
    }
  }

  SerialPeer& peer_;
  std::atomic<bool> stop_{false}, failed_{false};
  std::atomic<long> sent_{0};
  double cpuMs_ = 0;  // written by the writer before it ends
  std::thread thread_;
};

// Judges each line as it enters the pane (window's thread).
struct Judge {
  long Next = 0, Shown = 0, Wrong = 0;
  void Take(const std::string& line) {
    if (line == LineText(Next) + "\r") {
      ++Next;
      ++Shown;
      return;
    }
    if (++Wrong <= 5)
      std::fprintf(stderr, "line %ld expected, pane got \"%s\"\n", Next, line.c_str());
    // Carry on from whatever number it was, so one fault counts once.
    long n = 0;
    if (std::sscanf(line.c_str(), "L%ld", &n) == 1) Next = n + 1;
  }
};

std::vector<std::string> PaneLines() {
  std::vector<std::string> lines;
  const std::string text = Main->CommBuff->Lines()->Text();
  size_t start = 0;
  for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
    lines.push_back(text.substr(start, end - start));
  }
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

}  // namespace

int main(int argc, char** argv) {
  const int streamSeconds = argc > 1 ? std::atoi(argv[1]) : 60;
  const int idleSeconds = argc > 2 ? std::atoi(argv[2]) : 10;
  const char* serverPid = argc > 3 ? argv[3] : "";
  const bool soak = argc > 4 && std::strcmp(argv[4], "soak") == 0;
  const std::string label = soak ? "Soak" : "Sustained receive";
  if (!bench::MakeWatchedWindow()) return 1;
  SerialPeer peer(kPair);
  if (!peer.IsOpen()) {
    std::fprintf(stderr, "COM%d cannot be opened: run under scripts/wine-exec-serial\n", kPair + 8);
    return 1;
  }
  bench::PickPort(kPair);
  if (PortHandle == INVALID_HANDLE_VALUE) {
    std::fprintf(stderr, "COM%d did not open\n", kPair);
    return 1;
  }
  bench::Pump(500);
  using bench::Figure;

  if (idleSeconds > 0) {
    const double cpu0 = bench::ProcessCpuMs(), server0 = bench::UnixCpuMs(serverPid);
    const LONGLONG t0 = Now();
    bench::Pump(static_cast<DWORD>(idleSeconds) * 1000);
    const double wall = CounterMs(Now() - t0);
    const double cpu = 100.0 * (bench::ProcessCpuMs() - cpu0) / wall;
    const double server1 = bench::UnixCpuMs(serverPid);
    std::printf("idle %.1f s, port open, pane shown: program %.2f %% of a core\n", wall / 1000,
                cpu);
    Figure("Idle CPU, program, port open, pane shown", "% of a core", "at most 0.5", cpu);
    if (server0 >= 0 && server1 >= 0) {
      const double server = 100.0 * (server1 - server0) / wall;
      std::printf("idle: wineserver %.2f %% of a core\n", server);
      Figure("Idle CPU, wineserver, port open (whole session)", "% of a core", "-", server);
    }
  }

  Judge judge;
  PaneRecorder recorder(Main->CommBuff->Handle(),
                        [&](const std::string& line, LONGLONG) { judge.Take(line); });
  const double set0 = bench::WorkingSetMb();
  double setLow = set0, setHigh = set0;
  const double cpu0 = bench::ProcessCpuMs(), server0 = bench::UnixCpuMs(serverPid);
  const double window0 = bench::ThreadCpuMs(GetCurrentThread());
  const LONGLONG t0 = Now();
  long sent = 0;
  double writerMs = 0;
  bool writeFailed = false;
  {
    Writer writer(peer);
    for (int s = 1; s <= streamSeconds; ++s) {
      bench::Pump(1000);
      if (s % 60 == 0 || s == streamSeconds) {
        const double set = bench::WorkingSetMb();
        setLow = std::min(setLow, set);
        setHigh = std::max(setHigh, set);
        std::printf("%4d s: sent %ld, shown %ld, wrong %ld, working set %.2f MB\n", s,
                    writer.Sent(), judge.Shown, judge.Wrong, set);
        std::fflush(stdout);
      }
      if (writer.Failed()) break;
    }
    writer.Stop();
    sent = writer.Sent();
    writerMs = writer.CpuMs();
    writeFailed = writer.Failed();
  }
  const double streamWall = CounterMs(Now() - t0);
  // The last lines on their way.
  const DWORD drainStart = GetTickCount();
  while (judge.Next < sent && GetTickCount() - drainStart < 10000) bench::Pump(20);
  bench::Pump(200);
  const double wall = CounterMs(Now() - t0);
  const double cpu = 100.0 * (bench::ProcessCpuMs() - cpu0 - writerMs) / wall;
  const double window = 100.0 * (bench::ThreadCpuMs(GetCurrentThread()) - window0) / wall;
  const double server1 = bench::UnixCpuMs(serverPid);
  const double set1 = bench::WorkingSetMb();

  // The pane itself: its newest lines, consecutive, ending with the last.
  const std::vector<std::string> pane = PaneLines();
  bool paneInOrder = !pane.empty();
  for (size_t i = 0; i < pane.size(); ++i) {
    const long n = sent - static_cast<long>(pane.size() - i);
    if (pane[i] != LineText(n) + "\r") paneInOrder = false;
  }
  const long lostOrRepeated = (sent - judge.Shown) + judge.Wrong;
  std::printf(
      "%s: %.0f s, sent %ld lines, %ld shown once and in order, %ld wrong; pane keeps %zu "
      "lines, %s\n",
      label.c_str(), streamWall / 1000, sent, judge.Shown, judge.Wrong, pane.size(),
      paneInOrder ? "the newest, in order" : "NOT the newest in order");
  std::printf(
      "working set %.2f MB at the start, %.2f MB at the end (%.2f to %.2f sampled), peak %.2f MB\n",
      set0, set1, setLow, setHigh, bench::WorkingSetMb(true));
  const std::string p = label + ": ";
  Figure((p + "lines sent per second").c_str(), "lines/s", "48", sent / (streamWall / 1000));
  Figure((p + "lines shown per second").c_str(), "lines/s", "48",
         judge.Shown / (streamWall / 1000));
  // A stream goes to the pane a few lines an append (link/StreamGathering.h):
  // what it costs follows the appends a second more than the lines.
  Figure((p + "pane appends per second").c_str(), "appends/s", "about 10",
         recorder.Appends() / (streamWall / 1000));
  Figure((p + "lines lost, repeated or out of order").c_str(), "lines", "0",
         static_cast<double>(lostOrRepeated));
  Figure((p + "pane holds the newest lines in order").c_str(), "yes=1", "1", paneInOrder ? 1 : 0);
  const std::string kept = std::to_string(PaneKeptLines) + " to " + std::to_string(PaneLineBound);
  Figure((p + "pane lines kept").c_str(), "lines", kept.c_str(),
         static_cast<double>(pane.size()));
  Figure((p + "CPU, program").c_str(), "% of a core", "-", cpu);
  // The window's thread: hand-over, appends, trims, painting; the rest of
  // the program's time is the receiver's and Wine's own threads'.
  Figure((p + "CPU, program's window thread").c_str(), "% of a core", "-", window);
  if (server0 >= 0 && server1 >= 0) {
    Figure((p + "CPU, wineserver (whole session)").c_str(), "% of a core", "-",
           100.0 * (server1 - server0) / wall);
  }
  if (soak) {
    const std::string asked = std::to_string(streamSeconds / 60);
    Figure("Soak: minutes", "min", asked.c_str(), streamWall / 60000);
    Figure("Soak: lines sent", "lines", "-", static_cast<double>(sent));
    Figure("Soak: lines shown", "lines", "= sent", static_cast<double>(judge.Shown));
  }
  Figure((p + "working set at the start").c_str(), "MB", "-", set0);
  Figure((p + "working set at the end").c_str(), "MB", "bounded", set1);
  if (writeFailed) std::fprintf(stderr, "a write to the far end failed\n");
  return lostOrRepeated == 0 && paneInOrder && !writeFailed ? 0 : 1;
}
