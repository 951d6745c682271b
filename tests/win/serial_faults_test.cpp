// Faults on the real serial path, end to end: the far end vanishing in the
// middle of a held key or of a stream of lines, bytes no processor should
// send, floods of empty lines, switching to a port that is not there while
// lines stream in. Each case checks the program keeps working and loses
// nothing it should show. Every append to the pane is recorded as it goes
// in (PaneRecorder), since the pane itself keeps only its newest lines.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "support/LineModel.h"
#include "support/PaneRecorder.h"
#include "support/SerialFixture.h"
#include "support/SerialPeer.h"

namespace {

using Lines = std::vector<std::string>;

constexpr int kVolumeUp = 11;
constexpr int kMute = 8;

class SerialFaults : public SerialTest {
protected:
  void SetUp() override {
    SerialTest::SetUp();
    // Nothing may be erased behind the test's back after a quiet spell.
    if (Main->MenuErase->Checked()) Main->MenuEraseClick(Main->MenuErase);
    recorder_ = std::make_unique<PaneRecorder>(
        Main->CommBuff->Handle(),
        [this](const std::string& line, LONGLONG) { appended.push_back(line); });
  }
  void TearDown() override {
    recorder_.reset();
    SerialTest::TearDown();
  }

  // Waits until the last line appended is the given one.
  bool WaitForAppended(const std::string& last, DWORD ms = 20000) {
    return PumpUntil([&] { return !appended.empty() && appended.back() == last; }, ms);
  }

  // The lines appended, those echoing sent commands left out.
  Lines Received() const {
    Lines out;
    for (const std::string& line : appended) {
      if (line.compare(0, 5, "1 17 ") != 0) out.push_back(line);
    }
    return out;
  }

  Lines appended;

private:
  std::unique_ptr<PaneRecorder> recorder_;
};

// Writes numbered lines "S<number>" CR LF to a peer from a thread of its
// own until stopped or until the peer's port is gone.
class NumberedStream {
public:
  NumberedStream(SerialPeer& peer, DWORD pauseMs) {
    thread_ = std::thread([this, &peer, pauseMs] {
      for (int i = 0; !stop_.load(); ++i) {
        if (!peer.Write("S" + std::to_string(i) + "\r\n")) break;
        sent_.store(i + 1);
        Sleep(pauseMs);
      }
    });
  }
  ~NumberedStream() { Stop(); }
  void Stop() {
    stop_.store(true);
    if (thread_.joinable()) thread_.join();
  }
  int Sent() const { return sent_.load(); }

private:
  std::atomic<bool> stop_{false};
  std::atomic<int> sent_{0};
  std::thread thread_;
};

// The whole stream lines among the given lines, by number in the order they
// came, and the lines out of place: a stream line repeated or out of order,
// or a line that is no stream line at all. A line cut by a close or reopen
// can only show as a tail: digits and CR. Only the first few lines out of
// place are kept, with a count of all.
struct StreamLines {
  std::vector<int> Numbers;
  int Faults = 0;
  std::string FirstFaults;
};

constexpr int kFaultsShown = 5;

StreamLines ReadStream(const Lines& lines) {
  StreamLines stream;
  const auto fault = [&stream](const char* what, const std::string& line) {
    if (++stream.Faults <= kFaultsShown)
      stream.FirstFaults += std::string("\n  ") + what + ": " + testing::PrintToString(line);
  };
  for (const std::string& line : lines) {
    int n = -1;
    char end = 0;
    if (std::sscanf(line.c_str(), "S%d%c", &n, &end) == 2 && end == '\r' &&
        line == "S" + std::to_string(n) + "\r") {
      if (!stream.Numbers.empty() && n <= stream.Numbers.back())
        fault("repeated or out of order", line);
      stream.Numbers.push_back(n);
      continue;
    }
    if (line.empty() || line.back() != '\r' ||
        line.find_first_not_of("0123456789\r") != std::string::npos)
      fault("not a stream line or the tail of one", line);
  }
  return stream;
}

// One failure for all the lines out of place, showing the first few.
testing::AssertionResult InPlace(const StreamLines& stream) {
  if (stream.Faults == 0) return testing::AssertionSuccess();
  testing::AssertionResult failure = testing::AssertionFailure()
                                     << stream.Faults << " line(s) out of place"
                                     << stream.FirstFaults;
  if (stream.Faults > kFaultsShown) failure << "\n  and " << stream.Faults - kFaultsShown << " more";
  return failure;
}

// A timer of the window's thread that keeps counting: proof that the
// message loop still runs.
struct TickCounter {
  static std::atomic<int> Ticks;
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) { ++Ticks; }
  UINT_PTR Id = SetTimer(nullptr, 0, 20, &TickCounter::Tick);
  ~TickCounter() { KillTimer(nullptr, Id); }
};
std::atomic<int> TickCounter::Ticks{0};

// ------------------------------------------------------------ far end lost

TEST_F(SerialFaults, TheFarEndVanishingDuringAHeldRepeatClosesThePortAndRevivingWorks) {
  {
    SerialPeer peer(1);
    ASSERT_TRUE(peer.IsOpen());
    Pick(1);
    const LPARAM at = MAKELPARAM(KeyTable[kVolumeUp].X + 2, KeyTable[kVolumeUp].Y);
    SendMessageA(Main->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
    const std::string repeat = PressLine(kVolumeUp);
    ASSERT_EQ(peer.TakeAtLeast(4 * repeat.size()).substr(0, 2 * repeat.size()), repeat + repeat)
        << "the repeat runs";
    ASSERT_TRUE(KillPair(1));
    // Held on: the port is found gone and closed, the repeat goes nowhere.
    ASSERT_TRUE(PumpUntil([] { return PortHandle == INVALID_HANDLE_VALUE; }));
    TickCounter ticks;
    const int before = TickCounter::Ticks.load();
    PumpFor(300);
    EXPECT_GT(TickCounter::Ticks.load(), before + 3) << "the window's thread keeps running";
    SendMessageA(Main->Handle(), WM_LBUTTONUP, 0, at);
    PumpFor(100);
  }
  EXPECT_EQ(Marks(), "--------");
  EXPECT_TRUE(boxes.empty()) << "a repeat already running asks nothing";

  ASSERT_TRUE(RevivePair(1));
  SerialPeer peer(1);
  ASSERT_TRUE(peer.IsOpen());
  Pick(1);
  EXPECT_EQ(Marks(), "1-------");
  PressKey(kMute);
  EXPECT_EQ(peer.TakeAtLeast(PressLine(kMute).size()), PressLine(kMute));
  peer.Write("after revive\r\n");
  EXPECT_TRUE(WaitForAppended("after revive\r"));
}

TEST_F(SerialFaults, TheFarEndVanishingWhileLinesStreamInLosesNothingBeforeIt) {
  int sent = 0;
  {
    SerialPeer peer(2);
    ASSERT_TRUE(peer.IsOpen());
    Pick(2);
    NumberedStream stream(peer, 2);
    ASSERT_TRUE(PumpUntil([&] { return Received().size() >= 50; }));
    ASSERT_TRUE(KillPair(2));
    ASSERT_TRUE(PumpUntil([] { return PortHandle == INVALID_HANDLE_VALUE; }));
    stream.Stop();
    sent = stream.Sent();
  }
  PumpFor(200);
  const StreamLines stream = ReadStream(Received());
  EXPECT_TRUE(InPlace(stream));
  const std::vector<int>& numbers = stream.Numbers;
  ASSERT_GE(numbers.size(), 50u);
  // Everything up to the last line shown was shown: nothing in between lost.
  EXPECT_EQ(numbers.front(), 0);
  EXPECT_EQ(numbers.back() + 1, static_cast<int>(numbers.size()));
  EXPECT_LE(static_cast<int>(numbers.size()), sent);
  EXPECT_TRUE(boxes.empty());

  ASSERT_TRUE(RevivePair(2));
  SerialPeer peer(2);
  Pick(2);
  appended.clear();
  NumberedStream again(peer, 2);
  ASSERT_TRUE(PumpUntil([&] { return Received().size() >= 20; }));
  again.Stop();
  const StreamLines after = ReadStream(Received());
  EXPECT_TRUE(InPlace(after));
  ASSERT_FALSE(after.Numbers.empty());
}

// ------------------------------------------------------------ odd input

struct OddInput {
  const char* Name;
  std::string Bytes;
};

std::string AllByteValues(int rounds) {
  std::string bytes;
  for (int r = 0; r < rounds; ++r) {
    for (int b = 0; b < 256; ++b) bytes += static_cast<char>((b * 7 + r * 13) & 0xFF);
  }
  return bytes;
}

TEST_F(SerialFaults, OddInputArrivesAsTheLineRuleSaysInOrderWithTheWindowResponsive) {
  const std::vector<OddInput> cases = {
      {"all 256 byte values, zero bytes included", AllByteValues(1) + "\n"},
      {"all 256 byte values in 20 shuffled rounds", AllByteValues(20) + "\n"},
      {"a line of 5000 characters", std::string(5000, 'x') + "\r\n"},
      {"CR without LF", "A\rB\rC\r\r\rD\n"},
      {"10,000 empty lines", std::string(10000, '\n')},
      {"10,000 empty lines with CR",
       [] {
         std::string s;
         for (int i = 0; i < 10000; ++i) s += "\r\n";
         return s;
       }()},
  };
  // A round trip waits until the window's thread next looks at its messages:
  // here, between two handed-over lines it adds to the pane (a few
  // milliseconds each, tens on a busy machine), or after the test's own
  // writes. Only a thread that stopped handling its messages takes seconds.
  constexpr UINT kRoundTripDeadlineMs = 10000;
  SerialPeer peer(3);
  ASSERT_TRUE(peer.IsOpen());
  Pick(3);
  for (const OddInput& c : cases) {
    SCOPED_TRACE(c.Name);
    appended.clear();
    Main->CommBuff->Lines()->Clear();
    TickCounter ticks;
    const int ticksBefore = TickCounter::Ticks.load();
    // Another thread asks the window for round trips while the input is
    // taken in: none may go unanswered.
    std::atomic<bool> done{false}, askerEnded{false};
    std::atomic<int> answered{0}, unanswered{0};
    std::atomic<DWORD> slowest{0};
    std::thread asker([&] {
      while (!done.load()) {
        DWORD_PTR result = 0;
        const DWORD start = GetTickCount();
        if (SendMessageTimeoutA(Main->Handle(), WM_NULL, 0, 0, SMTO_NORMAL, kRoundTripDeadlineMs,
                                &result)) {
          ++answered;
        } else {
          ++unanswered;
        }
        slowest.store(std::max(slowest.load(), GetTickCount() - start));
        Sleep(20);
      }
      askerEnded.store(true);
    });
    // "\n" ends a line left open by the case, then the marker.
    const std::string bytes = c.Bytes + "\n#end\n";
    bool written = true;
    for (size_t at = 0; written && at < bytes.size(); at += 4096)
      written = peer.Write(bytes.substr(at, 4096));
    const bool ended = written && WaitForAppended("#end", 60000);
    // A short case can be taken in before the asker's first try: let one
    // round trip through before it stops, so that the check below is of the
    // window answering, not of the asker's start.
    EXPECT_TRUE(PumpUntil([&] { return answered.load() + unanswered.load() > 0; },
                          2 * kRoundTripDeadlineMs));
    // The asker may be in the middle of a round trip: keep answering until it
    // has seen the stop. Waiting for it without handling messages would leave
    // that round trip to run into its deadline.
    done.store(true);
    EXPECT_TRUE(PumpUntil([&] { return askerEnded.load(); }, 2 * kRoundTripDeadlineMs));
    asker.join();
    ASSERT_TRUE(written);
    ASSERT_TRUE(ended);
    EXPECT_EQ(Received(), ModelLines(bytes));
    EXPECT_GT(answered.load(), 0);
    EXPECT_EQ(unanswered.load(), 0) << "slowest round trip: " << slowest.load() << " ms";
    EXPECT_TRUE(PumpUntil([&] { return TickCounter::Ticks.load() > ticksBefore; }))
        << "timers still fire";
  }
  // The pane keeps its newest lines only, and ends with the marker.
  const Lines pane = PaneLines();
  EXPECT_LE(pane.size(), PaneLineBound);
  EXPECT_EQ(pane.back(), "#end");
}

// ------------------------------------------------------------ switching

TEST_F(SerialFaults, SwitchingToAnAbsentPortAndBackWhileStreamingRepeatsNothing) {
  ASSERT_TRUE(KillPair(6));  // COM6 is absent from here on
  SerialPeer peer(5);
  ASSERT_TRUE(peer.IsOpen());
  NumberedStream stream(peer, 3);
  std::vector<int> all;
  for (int i = 0; i < 30; ++i) {
    Pick(5);
    EXPECT_EQ(Marks(), "----5---");
    PumpFor(i % 3 == 0 ? 60 : 15);
    Pick(6);
    EXPECT_EQ(PortHandle, INVALID_HANDLE_VALUE);
    EXPECT_EQ(Marks(), "--------");
    PumpFor(i % 2 == 0 ? 30 : 5);
  }
  Pick(5);
  const int sentBefore = stream.Sent();
  ASSERT_TRUE(PumpUntil([&] {
    const std::vector<int> n = ReadStream(Received()).Numbers;
    return !n.empty() && n.back() > sentBefore + 20;
  })) << "lines flow again once the port is back";
  stream.Stop();
  const StreamLines received = ReadStream(Received());
  EXPECT_TRUE(InPlace(received));
  const std::vector<int>& numbers = received.Numbers;
  EXPECT_GT(numbers.size(), 40u);
  // While the port was open for good at the end, nothing was lost.
  size_t i = numbers.size() - 1;
  while (i > 0 && numbers[i - 1] == numbers[i] - 1) --i;
  EXPECT_LE(numbers[i], sentBefore + 1) << "a gap after the final open";
  EXPECT_TRUE(boxes.empty());
  ASSERT_TRUE(RevivePair(6));
}

}  // namespace
