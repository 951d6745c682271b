// Command lines on the wire and the terminal pane: exact bytes written to
// the port (a pipe stands in for it), the typed line, the echo, the erase
// countdown, lines handed over from another thread (one append a burst, in
// their place among the window's own lines) and the pane's bound.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/MainForm.h"
#include "app/TerminalPane.h"
#include "framework/Application.h"
#include "framework/Dialogs.h"
#include "framework/Mailbox.h"
#include "keypad/KeypadPress.h"
#include "link/LinkReports.h"
#include "link/SendLine.h"
#include "link/StreamGathering.h"
#include "support/MainWindow.h"
#include "support/PipePort.h"
#include "support/PaneRecorder.h"
#include "support/Pump.h"
#include "support/PlatformFaults.h"

namespace {

constexpr int kVolumeUp = 11;  // code 25
constexpr int kSetup = 7;      // code 21, a hold key
constexpr int kMac1 = 42;      // code 100: sends nothing

class TerminalPane : public testing::Test {
protected:
  static void SetUpTestSuite() { EnsureMainWindow(); }

  void SetUp() override {
    Main->MenuZone1->SetChecked(true);
    if (!Main->MenuErase->Checked()) Main->MenuErase->SetChecked(true);
    Main->EraseTimer->SetEnabled(false);
    Main->CommBuff->Lines()->Clear();
    EmptyTypedLine(TypedLine);
    SetMessageBoxHook([this](const std::string& text, const std::string& caption, UINT flags) {
      boxes.push_back(text + "|" + caption + "|" + std::to_string(flags));
      return IDOK;
    });
  }

  void TearDown() override { SetMessageBoxHook(nullptr); }

  void Type(const std::string& keys) {
    for (char c : keys) {
      SendMessageA(Main->CommBuff->Handle(), WM_CHAR, static_cast<unsigned char>(c), 0);
    }
  }

  std::string PaneText() { return Main->CommBuff->Lines()->Text(); }
  int PaneLines() { return Main->CommBuff->Lines()->Count(); }

  std::vector<std::string> boxes;
};

TEST_F(TerminalPane, KeyCommandsGoOutExactlyAndAreEchoed) {
  PipePort port;
  SendKeyCommand(1, false, kVolumeUp);
  EXPECT_EQ(Hex(port.Take()), "31 20 31 37 20 31 20 32 35 0D 0A");
  EXPECT_EQ(PaneText(), "1 17 1 25\r\n");

  Main->MenuZone2->SetChecked(true);
  SendKeyCommand(2, false, kVolumeUp);
  EXPECT_EQ(port.Take(), "2 17 1 25\r\n");
  SendKeyCommand(1, true, kSetup);
  EXPECT_EQ(port.Take(), "1 17 2 21\r\n");
  EXPECT_EQ(PaneText(), "1 17 1 25\r\n2 17 1 25\r\n1 17 2 21\r\n");
  EXPECT_TRUE(Main->EraseTimer->Enabled()) << "every sent command restarts the countdown";
}

TEST_F(TerminalPane, SilentKeysSendEchoAndRestartNothing) {
  PipePort port;
  SendKeyCommand(1, false, kMac1);
  SendKeyCommand(1, true, kMac1);
  EXPECT_EQ(port.Take(), "");
  EXPECT_EQ(PaneText(), "");
  EXPECT_FALSE(Main->EraseTimer->Enabled());
}

TEST_F(TerminalPane, TypedLinesGoOutAsTypedWithTheEnterKept) {
  struct Case {
    std::string Keys;
    std::string Wire;
  };
  const std::string s63(63, 's');
  const std::string s70 = std::string(63, 't') + "uvwxyz0";
  const Case cases[] = {
      {"abc\r", "61 62 63 0D 0D 0A"},
      {"\r", "0D 0D 0A"},
      {"abc\bd\r", "61 62 64 0D 0D 0A"},
      {"\bx\r", "78 0D 0D 0A"},
      {"a\x16" "b\r", "61 16 62 0D 0D 0A"},  // Ctrl+V is a character like any other
      {s63 + "\r", Hex(s63) + " 0D 0A"},
      {s70 + "\r", Hex(std::string(63, 't')) + " 0D 0A"},
      {s70 + "\b\r", Hex(std::string(62, 't')) + " 0D 0D 0A"},
  };
  PipePort port;
  for (const auto& c : cases) {
    Type(c.Keys);
    EXPECT_EQ(Hex(port.Take()), c.Wire) << Hex(c.Keys);
    EXPECT_EQ(TypedLength(TypedLine), 0u);
  }
  EXPECT_TRUE(boxes.empty());
}

// The pane shows the same lines whether the line went or not, and the next
// line starts empty there and on the wire; a typed line is not echoed.
TEST_F(TerminalPane, AnEnterWhoseLineFailsStillEndsItAndTheNextStartsEmpty) {
  const std::string stop = "|Orvant Remote|" + std::to_string(MB_OK | MB_ICONSTOP);
  struct Case {
    const char* Name;
    bool PortOpen;
    TCallFailure Failure;
    std::vector<std::string> Boxes;
  };
  const Case cases[] = {
      {"no port", false, {}, {"Select COM port (Settings->Port)|Orvant Remote|" + std::to_string(MB_OK)}},
      {"the port takes nothing", true, {"WriteFile", ERROR_SEM_TIMEOUT, 0, 2},
       {"Line not sent: the port reported error 121." + stop}},
      {"no timer left", true, {"SetTimer", ERROR_NO_SYSTEM_RESOURCES, 0, 0}, {4, "Not enough timers available." + stop}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    Main->CommBuff->Lines()->Clear();
    boxes.clear();
    {
      std::unique_ptr<PipePort> port(c.PortOpen ? new PipePort : nullptr);
      TCallFailures failure;
      if (!c.Failure.Call.empty()) FailCall(c.Failure);
      Type("abc\r");
    }
    EXPECT_EQ(boxes, c.Boxes);
    PipePort port;
    Type("x\r");
    EXPECT_EQ(PaneText(), "abc\r\nx\r\n");
    EXPECT_EQ(Hex(port.Take()), "78 0D 0D 0A");
  }
}

TEST_F(TerminalPane, ReceivedLineFollowsAPartlyTypedLine) {
  PipePort port;
  Type("ab");
  ShowLine("OK\r", true);
  EXPECT_EQ(PaneText(), "ab\r\nOK\r");
  DWORD start = 0, end = 0;
  SendMessageA(Main->CommBuff->Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
               reinterpret_cast<LPARAM>(&end));
  EXPECT_EQ(end, PaneText().size()) << "the caret is after the received line";
  EXPECT_EQ(std::string(TypedText(TypedLine)), "ab");
  Type("c\r");
  EXPECT_EQ(port.Take(), "abc\r\r\n") << "the characters go out in the order typed";
}

TEST_F(TerminalPane, TypingInOlderTextStillSendsWhatWasTyped) {
  PipePort port;
  ShowLine("first", true);
  ShowLine("second", true);
  SendMessageA(Main->CommBuff->Handle(), EM_SETSEL, 2, 2);  // the caret into "first"
  Type("xy\r");
  EXPECT_EQ(port.Take(), "xy\r\r\n");
}

// The one test on the product's own interval; those over a real port shorten it.
TEST_F(TerminalPane, CountdownClearsFiveSecondsAfterTheLastActivity) {
  ShowLine("one", true);
  PumpFor(1000);
  ShowLine("two", true);  // activity restarts the countdown
  const DWORD since = GetTickCount();
  EXPECT_TRUE(PumpUntil([&] { return PaneLines() == 0; }, 10000));
  EXPECT_GE(GetTickCount() - since, 4900u) << "cleared before five seconds had passed since the last activity";
  EXPECT_FALSE(Main->EraseTimer->Enabled()) << "after a clearing the countdown stays stopped";
}

TEST_F(TerminalPane, HiddenLinesTypingAndReceivedBurstsAreActivityToo) {
  ShowLine("not shown", false);  // a typed line sent: not shown, but activity
  EXPECT_TRUE(Main->EraseTimer->Enabled());
  Main->EraseTimer->SetEnabled(false);
  Type("z");
  EXPECT_TRUE(Main->EraseTimer->Enabled());
  Main->EraseTimer->SetEnabled(false);
  std::thread([] { HandOverLine("one"); }).join();
  ASSERT_TRUE(PumpUntil([&] { return PaneText() == "z\r\none"; })) << "the hidden line shows nowhere";
  EXPECT_TRUE(Main->EraseTimer->Enabled());
}

// With Clear unchecked no countdown runs, so nothing is erased.
TEST_F(TerminalPane, ClearUncheckedKeepsEverythingAndCheckingItEmptiesThePane) {
  ShowLine("kept", true);
  ASSERT_TRUE(Main->EraseTimer->Enabled());
  Main->MenuEraseClick(Main->MenuErase);  // unchecked while a countdown runs
  EXPECT_FALSE(Main->MenuErase->Checked());
  EXPECT_FALSE(Main->EraseTimer->Enabled());
  ShowLine("more", true);
  EXPECT_FALSE(Main->EraseTimer->Enabled());
  EXPECT_EQ(PaneText(), "kept\r\nmore\r\n");
  Type("ab");
  Main->MenuEraseClick(Main->MenuErase);  // checked again: empty at once
  EXPECT_TRUE(Main->MenuErase->Checked());
  EXPECT_EQ(PaneText(), "");
  EXPECT_FALSE(Main->EraseTimer->Enabled());
  EXPECT_EQ(std::string(TypedText(TypedLine)), "ab") << "the typed line survives a clearing";
}

TEST_F(TerminalPane, LinesFromAnotherThreadArriveCompleteAndInOrder) {
  Main->MenuEraseClick(Main->MenuErase);  // Clear off: nothing may vanish
  constexpr int kReceived = 3000;
  std::thread receiver([] {
    for (int i = 0; i < kReceived; ++i) HandOverLine(("RX " + std::to_string(i)).c_str());
  });
  // The window's thread keeps adding its own lines meanwhile.
  for (int i = 0; i < 200; ++i) {
    ShowLine(("TX " + std::to_string(i)).c_str(), true);
    PumpFor(1);
  }
  receiver.join();
  const std::string last = "RX " + std::to_string(kReceived - 1) + "\r\n";
  ASSERT_TRUE(PumpUntil([&] { return PaneText().find(last) != std::string::npos; }, 30000));

  // What the pane still holds: whole lines, the received ones consecutive.
  int previous = -1;
  for (int i = 0; i < PaneLines(); ++i) {
    const std::string line = Main->CommBuff->Lines()->Get(i);
    if (line.rfind("TX ", 0) == 0) continue;
    ASSERT_EQ(line.rfind("RX ", 0), 0u) << "a cut line: " << line;
    const int n = std::stoi(line.substr(3));
    if (previous >= 0) {
      ASSERT_EQ(n, previous + 1);
    }
    previous = n;
  }
  EXPECT_EQ(previous, kReceived - 1);
  Main->MenuEraseClick(Main->MenuErase);
}

// ------------------------------------------------------------ the bound

// "line <i>", every seventh one long enough to wrap in the pane: rows of the
// pane are not lines of the traffic.
std::string Numbered(int i) {
  std::string line = "line " + std::to_string(i);
  if (i % 7 == 0) line += std::string(60, '-') + "end";
  return line;
}

// "<i> " and Japanese text in code page 932, two bytes a character, which
// the pane counts as one.
std::string Japanese(int i) {
  return std::to_string(i) + " \x93\xfa\x96\x7b\x8c\xea\x82\xcc\x8d\x73";
}

// A line of exactly `length` characters that names itself.
std::string Sized(int i, size_t length) {
  std::string line = std::to_string(i) + ":";
  return line + std::string(length - line.size(), '=');
}

std::vector<std::string> Range(int from, int to, std::string (*make)(int)) {
  std::vector<std::string> lines;
  for (int i = from; i < to; ++i) lines.push_back(make(i));
  return lines;
}

// The pane's text for these lines: each ended by CR LF.
std::string Joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

// A long text in a few words, for failure messages.
std::string Describe(const std::string& text) {
  std::string body = text;
  if (body.size() >= 2 && body.compare(body.size() - 2, 2, "\r\n") == 0) body.erase(body.size() - 2);
  const size_t first = body.find("\r\n");
  const size_t last = body.rfind("\r\n");
  return std::to_string(PaneLineCount(text)) + " lines, " + std::to_string(text.size()) +
         " characters, from \"" + body.substr(0, first) + "\" to \"" +
         (last == std::string::npos ? body : body.substr(last + 2)) + "\"";
}

// The pane holds exactly this text.
::testing::AssertionResult PaneHolds(const std::string& expected) {
  const std::string text = Main->CommBuff->Lines()->Text();
  if (text == expected) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "the pane holds " << Describe(text) << "\n  instead of "
                                       << Describe(expected);
}

constexpr int kLineBound = static_cast<int>(PaneLineBound);
constexpr int kKeptLines = static_cast<int>(PaneKeptLines);

// Also with Japanese lines: CTest runs this program with code page 932
// (tests/CMakeLists.txt), where the pane's positions count characters and
// its ANSI text bytes.
TEST_F(TerminalPane, NothingIsTrimmedUpToTheBoundThenTheNewestLinesStay) {
  const char* lang = std::getenv("LANG");
  if (lang && std::string(lang).rfind("ja_JP", 0) == 0) {
    ASSERT_EQ(GetACP(), 932u) << "Wine found no locale " << lang << " on the Linux side";
  }
  struct Case {
    bool Clear;
    std::string (*Make)(int);
  };
  for (const Case& c : {Case{true, &Numbered}, Case{false, &Numbered}, Case{true, &Japanese}}) {
    SCOPED_TRACE(std::string(c.Clear ? "Clear checked" : "Clear unchecked") + ", " + c.Make(1));
    if (Main->MenuErase->Checked() != c.Clear) Main->MenuEraseClick(Main->MenuErase);
    Main->CommBuff->Lines()->Clear();
    ShowReceived(Range(0, kLineBound, c.Make));
    ASSERT_TRUE(PaneHolds(Joined(Range(0, kLineBound, c.Make))));
    if (c.Make == &Numbered) {
      ASSERT_GT(SendMessageA(Main->CommBuff->Handle(), EM_GETLINECOUNT, 0, 0), kLineBound + 100)
          << "the long lines wrap: the pane shows more rows than lines";
    }
    // One line past the bound: the oldest whole lines go, the newest stay.
    ShowLine(c.Make(kLineBound).c_str(), true);
    EXPECT_TRUE(PaneHolds(Joined(Range(kLineBound + 1 - kKeptLines, kLineBound + 1, c.Make))));
  }
}

TEST_F(TerminalPane, ABurstPastTheBoundKeepsItsNewestLines) {
  ShowReceived(Range(0, kLineBound - 3, &Numbered));
  std::thread([] {
    for (int i = kLineBound - 3; i < kLineBound + 7; ++i) HandOverLine(Numbered(i).c_str());
  }).join();
  ASSERT_TRUE(PumpUntil([&] { return PaneText().find(Numbered(kLineBound + 6) + "\r\n") != std::string::npos; }));
  EXPECT_TRUE(PaneHolds(Joined(Range(kLineBound + 7 - kKeptLines, kLineBound + 7, &Numbered))));
}

// The pane counts what it holds, not only what it added itself.
TEST_F(TerminalPane, LinesTypedIntoThePaneCountTowardsTheBound) {
  PipePort port;
  ShowReceived(Range(0, kLineBound - 10, &Numbered));
  Type(std::string(20, '\r'));  // twenty empty lines typed and sent
  ShowLine("last", true);
  std::string expected = Joined(Range(kLineBound - 10 - (kKeptLines - 21), kLineBound - 10, &Numbered));
  for (int i = 0; i < 20; ++i) expected += "\r\n";
  EXPECT_TRUE(PaneHolds(expected + "last\r\n"));
}

TEST_F(TerminalPane, LongLinesAreBoundByCharactersInstead) {
  constexpr size_t kLength = 200;  // and the pane's CR LF
  auto sized = [](int i) { return Sized(i, kLength); };
  const int fit = static_cast<int>(PaneCharBound / (kLength + 2));
  std::vector<std::string> lines;
  for (int i = 0; i < fit; ++i) lines.push_back(sized(i));
  ShowReceived(lines);
  ASSERT_TRUE(PaneHolds(Joined(lines))) << "up to the character bound nothing goes";
  ShowLine(sized(fit).c_str(), true);
  lines.push_back(sized(fit));
  const int kept = static_cast<int>(PaneKeptChars / (kLength + 2));
  ASSERT_LT(kept, kKeptLines);
  EXPECT_TRUE(PaneHolds(Joined(std::vector<std::string>(lines.end() - kept, lines.end()))));
}

TEST_F(TerminalPane, ATrimKeepsThePartlyTypedLineAndTheCaretAtTheEnd) {
  PipePort port;
  Type("ab");
  // The received lines go behind the typed text, so the text holds exactly
  // the bound's number of breaks and passes the bound by one line. The first
  // line lets the pane count what was typed; the rest it then only tallies.
  ShowReceived(Range(0, 1, &Numbered));
  ShowReceived(Range(1, kLineBound, &Numbered));
  std::string expected = Joined(Range(kLineBound - kKeptLines, kLineBound, &Numbered));
  expected.erase(expected.size() - 2);  // behind a typed line the memo ends none
  EXPECT_TRUE(PaneHolds(expected));
  DWORD start = 0, end = 0;
  SendMessageA(Main->CommBuff->Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
               reinterpret_cast<LPARAM>(&end));
  EXPECT_EQ(start, PaneText().size());
  EXPECT_EQ(end, PaneText().size());
  Type("c\r");
  EXPECT_EQ(port.Take(), "abc\r\r\n") << "the typed line is the pane's business no more than before";
}

// On Windows, switching redrawing back on shows a hidden window; the pane
// trims through the memo's update guard, which leaves a hidden pane alone.
TEST_F(TerminalPane, TrimmingAHiddenPaneNeverSwitchesItsRedrawing) {
  ASSERT_FALSE(Main->CommBuff->Visible());
  HWND pane = Main->CommBuff->Handle();
  ShowReceived(Range(0, kLineBound, &Numbered));
  PaneRecorder recorder(pane, nullptr, true);
  ShowLine(Numbered(kLineBound).c_str(), true);
  ASSERT_EQ(PaneLineCount(PaneText()), PaneKeptLines) << "trimmed";
  EXPECT_EQ(recorder.Events(), (std::vector<std::string>{"append 1", "remove"}));
  EXPECT_EQ(GetWindowLongPtrA(pane, GWL_STYLE) & WS_VISIBLE, 0);
  EXPECT_FALSE(Main->CommBuff->Visible());
}

TEST_F(TerminalPane, TrimmingAShownPaneHoldsItsRedrawingForTheCut) {
  Main->MenuVisibleClick(Main->MenuVisible);
  ASSERT_TRUE(IsWindowVisible(Main->CommBuff->Handle()));
  ShowReceived(Range(0, kLineBound, &Numbered));
  {
    PaneRecorder recorder(Main->CommBuff->Handle(), nullptr, true);
    ShowLine(Numbered(kLineBound).c_str(), true);
    EXPECT_EQ(recorder.Events(),
              (std::vector<std::string>{"append 1", "redraw off", "remove", "redraw on"}));
  }
  EXPECT_TRUE(IsWindowVisible(Main->CommBuff->Handle()));
  Main->MenuVisibleClick(Main->MenuVisible);
  EXPECT_FALSE(IsWindowVisible(Main->CommBuff->Handle()));
}

// ------------------------------------------------------ received bursts

TEST_F(TerminalPane, ReceivedLinesGoInAsOneAppendPerBurstInTheirPlace) {
  std::vector<std::string> appended;
  PaneRecorder recorder(Main->CommBuff->Handle(),
                        [&](const std::string& line, LONGLONG) { appended.push_back(line); }, true);
  auto handOver = [](int from, int to) {
    std::thread([=] {
      for (int i = from; i < to; ++i) HandOverLine(("RX " + std::to_string(i)).c_str());
    }).join();
  };
  auto shown = [&](int i) {
    return PumpUntil([&] { return !appended.empty() && appended.back() == "RX " + std::to_string(i); });
  };
  handOver(0, 5);
  ShowLine("TX a", true);  // the window's own line, before its thread gets to the received ones
  ASSERT_TRUE(shown(4));
  ShowLine("TX b", true);
  handOver(5, 10);
  ShowLine("TX c", true);
  handOver(10, 13);  // joins the lines still waiting
  ASSERT_TRUE(shown(12));

  const std::vector<std::string> expected = {
      "TX a", "RX 0", "RX 1", "RX 2", "RX 3", "RX 4", "TX b", "TX c",
      "RX 5", "RX 6", "RX 7", "RX 8", "RX 9", "RX 10", "RX 11", "RX 12"};
  EXPECT_EQ(appended, expected);
  EXPECT_EQ(PaneText(), Joined(expected));
  EXPECT_EQ(recorder.Events(),
            (std::vector<std::string>{"append 1", "append 5", "append 1", "append 1", "append 8"}));
}

// The receiver's lines while they stream in, as the window sees them (the
// rule itself, link/StreamGathering.h, is tested natively): held lines post
// no unit, a line of the window's own takes them in front of it, lines due
// go in one append, and a line coming while a unit is on its way joins it.
// The clock is the test's.
TEST_F(TerminalPane, StreamedLinesHeldBackGoInOneAppendInTheirPlace) {
  std::vector<std::string> appended;
  PaneRecorder recorder(Main->CommBuff->Handle(),
                        [&](const std::string& line, LONGLONG) { appended.push_back(line); }, true);
  auto shown = [&](const std::string& line) {
    return PumpUntil([&] { return !appended.empty() && appended.back() == line; });
  };
  const DWORD t = 1000;
  HandOverStreamedLine("RX 0", t);      // after a pause: a unit goes
  HandOverStreamedLine("RX 1", t + 1);  // joins it
  ASSERT_TRUE(shown("RX 1"));
  HandOverStreamedLine("RX 2", t + 2);
  HandOverStreamedLine("RX 3", t + 3);
  PumpFor(50);
  EXPECT_EQ(appended.size(), 2u) << "held";
  ReportLine("TX a", true);  // an echo, as the link reports it
  HandOverStreamedLine("RX 4", t + 20);
  EXPECT_EQ(SendHeldLines(t + GatherIntervalMs, false), INFINITE);  // due: on its way
  ASSERT_TRUE(shown("RX 4"));

  const std::vector<std::string> expected = {"RX 0", "RX 1", "RX 2", "RX 3", "TX a", "RX 4"};
  EXPECT_EQ(appended, expected);
  EXPECT_EQ(PaneText(), Joined(expected));
  EXPECT_EQ(recorder.Events(),
            (std::vector<std::string>{"append 2", "append 2", "append 1", "append 1"}));
}

TEST_F(TerminalPane, ReceivedLinesAfterARefusedWakeUpAllArrive) {
  FailCall({"PostMessageA", ERROR_NOT_ENOUGH_QUOTA, 0, 0});
  std::thread([] { HandOverLine("one"); }).join();
  ClearCallFailures();
  PumpFor(50);
  EXPECT_EQ(PaneText(), "");
  std::thread([] { HandOverLine("two"); }).join();
  EXPECT_TRUE(PumpUntil([&] { return PaneText() == "one\r\ntwo\r\n"; })) << PaneText();
}

TEST_F(TerminalPane, LinesWaitingAtTheMailboxCloseGoAndLaterLinesStillArrive) {
  std::thread([] { HandOverLine("lost"); }).join();
  CloseMailbox();
  OpenMailbox();
  std::thread([] { HandOverLine("back"); }).join();
  EXPECT_TRUE(PumpUntil([&] { return PaneText() == "back\r\n"; })) << PaneText();
  PumpFor(50);
  EXPECT_EQ(PaneText(), "back\r\n");
}

TEST_F(TerminalPane, LinesHandedOverAfterTheEndAreDroppedHarmlessly) {
  CloseMailbox();
  std::thread late([] { HandOverLine("too late"); });
  late.join();
  PumpFor(50);
  EXPECT_EQ(PaneText(), "");
  OpenMailbox();
  std::thread again([] { HandOverLine("back"); });
  again.join();
  EXPECT_TRUE(PumpUntil([&] { return PaneText() == "back\r\n"; }));
}

}  // namespace
