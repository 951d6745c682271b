// How quickly the serial path answers, on the real main window with its
// port on pair 1 of scripts/wine-exec-serial and the far end (COM9) read
// and written in this process by a helper thread:
// - click to wire: from a press on Mute delivered to the window to the last
//   byte of its command read at the far end. The reference is the wire time
//   of the command's 11 bytes at 9600 baud (10 bits each), 11.5 ms, the
//   floor on a real line; a pseudo-terminal does not model baud timing, so
//   the figure here is the program's own share only.
// - line to pane: from the far end writing a line to the line being in the
//   pane (a subclass of the pane's edit control stamps each append), while
//   traffic flows (a line every 200 to 600 ms) and after 2.5 to 3 s of quiet,
//   when the receiver has gone back to its slow idle pace.
// - answer to pane: the far end answers each command as soon as it has read
//   it; from that write to the answer in the pane (the receiver looks more
//   often right after a command).
//   scripts/test-session scripts/wine-exec-serial build/<dir>/benchmarks/serial_latency.exe
//   [samples]
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "benchmarks/SerialBench.h"
#include "keypad/KeyTable.h"
#include "link/SerialPort.h"
#include "support/PaneRecorder.h"
#include "support/SerialPeer.h"

namespace {

using bench::CounterMs;
using bench::Now;

constexpr int kPair = 1;
constexpr int kMute = 8;  // a key that sends one command and nothing else

// The far end. Armed by the window's thread for each press: reads exactly
// the command's bytes (blocking: with all read time-outs zero a read waits
// for its whole count), stamps the last one, optionally writes an answer and
// stamps that write, then signals.
class FarEnd {
public:
  explicit FarEnd(HANDLE port) : port_(port) {
    COMMTIMEOUTS blocking{};
    SetCommTimeouts(port_, &blocking);
    thread_ = std::thread([this] { Run(); });
  }
  ~FarEnd() {
    quit_ = true;
    SetEvent(armed_);
    thread_.join();
    CloseHandle(armed_);
    CloseHandle(done_);
  }

  void Arm(size_t bytes, const char* answer) {
    expected_ = bytes;
    answer_ = answer;
    SetEvent(armed_);
  }
  HANDLE Done() const { return done_; }

  std::string Got;
  LONGLONG LastByteAt = 0, AnsweredAt = 0;

private:
  void Run() {
    while (WaitForSingleObject(armed_, INFINITE) == WAIT_OBJECT_0 && !quit_) {
      Got.clear();
      char buf[64];
      while (Got.size() < expected_) {
        DWORD got = 0;
        const DWORD want = static_cast<DWORD>(std::min(sizeof buf, expected_ - Got.size()));
        if (!ReadFile(port_, buf, want, &got, nullptr)) break;
        Got.append(buf, got);
      }
      LastByteAt = Now();
      if (answer_) {
        DWORD written = 0;
        AnsweredAt = Now();
        WriteFile(port_, answer_, static_cast<DWORD>(std::strlen(answer_)), &written, nullptr);
      }
      SetEvent(done_);
    }
  }

  HANDLE port_;
  HANDLE armed_ = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  HANDLE done_ = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  size_t expected_ = 0;
  const char* answer_ = nullptr;
  std::atomic<bool> quit_{false};
  std::thread thread_;
};

// Pumps the window's messages until the handle is signalled; false after
// the deadline.
bool PumpUntilSignalled(HANDLE h, DWORD ms) {
  const DWORD start = GetTickCount();
  for (;;) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    const DWORD elapsed = GetTickCount() - start;
    if (elapsed >= ms) return WaitForSingleObject(h, 0) == WAIT_OBJECT_0;
    if (MsgWaitForMultipleObjects(1, &h, FALSE, ms - elapsed, QS_ALLINPUT) == WAIT_OBJECT_0) {
      return true;
    }
  }
}

struct Seen {
  std::string Line;
  LONGLONG At = 0;
};

}  // namespace

int main(int argc, char** argv) {
  const int samples = argc > 1 ? std::atoi(argv[1]) : 40;
  if (!bench::MakeWatchedWindow()) return 1;
  const HANDLE farPort = OpenComPort(kPair + 8);
  if (farPort == INVALID_HANDLE_VALUE) {
    std::fprintf(stderr, "COM%d cannot be opened: run under scripts/wine-exec-serial\n", kPair + 8);
    return 1;
  }
  bench::PickPort(kPair);
  if (PortHandle == INVALID_HANDLE_VALUE) {
    std::fprintf(stderr, "COM%d did not open\n", kPair);
    return 1;
  }
  std::vector<Seen> seen;
  PaneRecorder recorder(Main->CommBuff->Handle(), [&](const std::string& line, LONGLONG at) {
    seen.push_back({line, at});
  });
  bench::Pump(300);

  const KeySlot& key = KeyTable[kMute];
  const LPARAM at = MAKELPARAM(static_cast<WORD>(key.X + 2), static_cast<WORD>(key.Y));
  const std::string command = "1 17 1 " + std::to_string(key.Code) + "\r\n";
  int failures = 0;
  std::vector<double> clickToWire, quietToPane, answerToPane;
  {
    FarEnd farEnd(farPort);
    srand(12345);
    for (int i = 0; i < samples; ++i) {
      // Click to wire, and the far end answers at once.
      bench::Pump(100 + static_cast<DWORD>(rand() % 200));
      seen.clear();
      farEnd.Arm(command.size(), "ANSWER\r\n");
      const LONGLONG pressed = Now();
      SendMessageA(Main->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
      SendMessageA(Main->Handle(), WM_LBUTTONUP, 0, at);
      if (!PumpUntilSignalled(farEnd.Done(), 5000) || farEnd.Got != command) {
        std::fprintf(stderr, "press %d: the far end got \"%s\"\n", i, farEnd.Got.c_str());
        ++failures;
        continue;
      }
      clickToWire.push_back(CounterMs(farEnd.LastByteAt - pressed));
      auto answered = [&] {
        for (const Seen& s : seen) {
          if (s.Line == "ANSWER\r") return s.At;
        }
        return LONGLONG{0};
      };
      const DWORD waitStart = GetTickCount();
      while (!answered() && GetTickCount() - waitStart < 5000) bench::Pump(1);
      if (!answered()) {
        std::fprintf(stderr, "answer %d never reached the pane\n", i);
        ++failures;
      } else {
        answerToPane.push_back(CounterMs(answered() - farEnd.AnsweredAt));
      }
    }
  }

  // Lines from the far end on their own, first while traffic flows (a line
  // every 200 to 600 ms), then each after a quiet spell of 2.5 to 3 s, longer
  // than the receiver stays on its quick pace after traffic.
  SerialPeer peer(kPair);
  auto lineToPane = [&](const std::string& line, std::vector<double>& into) {
    seen.clear();
    const LONGLONG written = Now();
    peer.Write(line + "\r\n");
    const DWORD waitStart = GetTickCount();
    while (seen.empty() && GetTickCount() - waitStart < 5000) bench::Pump(1);
    if (seen.empty() || seen[0].Line != line + "\r") {
      std::fprintf(stderr, "%s: %s\n", line.c_str(),
                   seen.empty() ? "never shown" : seen[0].Line.c_str());
      ++failures;
      return;
    }
    into.push_back(CounterMs(seen[0].At - written));
  };
  std::vector<double> busyToPane;
  for (int i = 0; i < samples; ++i) {
    bench::Pump(200 + static_cast<DWORD>(rand() % 400));
    lineToPane("BUSY " + std::to_string(i), busyToPane);
  }
  for (int i = 0; i < (samples + 3) / 4; ++i) {
    bench::Pump(2500 + static_cast<DWORD>(rand() % 500));
    lineToPane("QUIET " + std::to_string(i), quietToPane);
  }

  bench::Describe("click to wire", clickToWire);
  bench::Describe("answer to pane", answerToPane);
  bench::Describe("line to pane, traffic", busyToPane);
  bench::Describe("line to pane, after quiet", quietToPane);
  using bench::Figure;
  using bench::Quantile;
  Figure("Click to wire, median", "ms", "11.5 (wire time; pty has none)",
         Quantile(clickToWire, 0.5));
  Figure("Click to wire, max", "ms", "11.5 (wire time; pty has none)", Quantile(clickToWire, 1.0));
  Figure("Answer to pane, median", "ms", "at most 10", Quantile(answerToPane, 0.5));
  Figure("Answer to pane, max", "ms", "at most 10", Quantile(answerToPane, 1.0));
  Figure("Line to pane during traffic, median", "ms", "at most 10", Quantile(busyToPane, 0.5));
  Figure("Line to pane during traffic, max", "ms", "at most 10", Quantile(busyToPane, 1.0));
  Figure("Line to pane after 2.5 s quiet, median", "ms", "at most 10", Quantile(quietToPane, 0.5));
  Figure("Line to pane after 2.5 s quiet, max", "ms", "at most 10", Quantile(quietToPane, 1.0));
  CloseHandle(farPort);
  if (failures) std::fprintf(stderr, "%d samples failed\n", failures);
  return failures ? 1 : 0;
}
