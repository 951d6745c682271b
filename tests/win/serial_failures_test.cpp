// Every failure the platform can hand the link, tried in turn through the
// table of platform calls: each row makes one call fail at one place (the
// open, a received line, a key press, the close) with an error a driver
// returns there, then checks what the user must be able to rely on. The
// program answers, does not spin and keeps no handle; the Port menu's mark
// is true; received lines arrive in order, none lost or doubled; a command
// is on the wire whole or reported; the user is told only where there is
// something to do; and afterwards the port opens, sends and receives again.
// docs/failures.md is the inventory these rows walk.
#include <windows.h>

#include <string>
#include <vector>

#include "framework/Thread.h"
#include "support/PlatformFaults.h"
#include "support/SerialFixture.h"
#include "support/SerialPeer.h"

namespace {

constexpr int kPair = 1;
constexpr int kMute = 8;       // sends its press command only
constexpr int kVolumeUp = 11;  // repeats while held
const std::string kOpen = "1-------", kNone = "--------";

// ERROR_NO_SUCH_DEVICE, which MinGW's headers lack.
constexpr DWORD kNoSuchDevice = 433;

enum class Where { Open, Receive, Press, Hold, Close };

struct Row {
  const char* Name;
  Where At;
  std::vector<TCallFailure> Failures;  // armed together, at the moment At
  bool OpenAfter;                      // the port is open once the action is done
  std::vector<std::string> Boxes;      // what the user is told, in order
  std::string Wire = "";               // Press, Hold: what reaches the peer
  bool LeftOpen = false;               // the next line goes behind a CR LF that ends this one
};

const std::string kLine = "1 17 1 22\r\n";  // the press command of Mute
const std::string kNotSent121 = "Line not sent: the port reported error 121.";

const std::vector<Row>& Rows() {
  static const std::vector<Row> rows = {
      // ------------------------------------------------ the open
      {"no such port", Where::Open, {{"CreateFileA", ERROR_FILE_NOT_FOUND}}, false, {}},
      {"held by another program", Where::Open, {{"CreateFileA", ERROR_ACCESS_DENIED}}, false, {}},
      // A port that still answers ClearCommError opens as it is, whatever it
      // failed; one that fails that too with a "gone" error does not.
      {"line settings unreadable (CDC device)", Where::Open, {{"GetCommState", ERROR_GEN_FAILURE, 0, 0}}, true, {}},
      {"no port behind the name (Wine), its close fails", Where::Open,
       {{"GetCommState", ERROR_INVALID_FUNCTION}, {"ClearCommError", ERROR_INVALID_FUNCTION},
        {"CloseHandle", ERROR_INVALID_HANDLE, 0, 1, true}}, false, {}},
      {"time-outs unreadable", Where::Open, {{"GetCommTimeouts", ERROR_INVALID_PARAMETER}}, true, {}},
      {"gone while reading time-outs", Where::Open,
       {{"GetCommTimeouts", ERROR_DEVICE_NOT_CONNECTED}, {"ClearCommError", ERROR_DEVICE_NOT_CONNECTED}}, false, {}},
      {"time-outs refused and unreadable after", Where::Open,
       {{"SetCommTimeouts", ERROR_INVALID_PARAMETER}, {"GetCommTimeouts", ERROR_INVALID_PARAMETER, 1}}, true, {}},
      {"time-outs taken though failed, no input count ever", Where::Open,
       {{"SetCommTimeouts", ERROR_INVALID_PARAMETER, 0, 1, true}, {"ClearCommError", ERROR_INVALID_PARAMETER, 0, 0}},
       true, {}},
      {"gone while taking time-outs", Where::Open, {{"SetCommTimeouts", kNoSuchDevice}, {"ClearCommError", kNoSuchDevice}},
       false, {}},
      {"mode string refused", Where::Open, {{"BuildCommDCBA", ERROR_INVALID_PARAMETER}}, true, {}},
      {"line settings refused", Where::Open, {{"SetCommState", ERROR_INVALID_PARAMETER}}, true, {}},
      {"line settings failed by a CH340 that runs", Where::Open, {{"SetCommState", ERROR_GEN_FAILURE, 0, 0}}, true, {}},
      {"gone while taking line settings", Where::Open,
       {{"SetCommState", ERROR_GEN_FAILURE}, {"ClearCommError", ERROR_GEN_FAILURE}}, false, {}},
      {"no input count while dropping", Where::Open, {{"ClearCommError", ERROR_INVALID_PARAMETER}}, true, {}},
      {"no event left", Where::Open, {{"CreateEventA", ERROR_NOT_ENOUGH_MEMORY}}, false, {"Error creating event."}},
      {"no second event left", Where::Open, {{"CreateEventA", ERROR_NOT_ENOUGH_MEMORY, 1}}, false, {"Error creating event."}},
      {"no thread left", Where::Open, {{"_beginthreadex", ERROR_NOT_ENOUGH_MEMORY}}, false, {"Error creating thread."}},
      {"thread not resumed", Where::Open, {{"ResumeThread", ERROR_ACCESS_DENIED}}, false, {"Error creating thread."}},
      // ------------------------------------------------ receiving
      {"no input count ever (virtual port)", Where::Receive, {{"ClearCommError", ERROR_INVALID_PARAMETER, 0, 0}}, true, {}},
      {"input count denied now and then", Where::Receive, {{"ClearCommError", ERROR_ACCESS_DENIED, 0, 1}}, true, {}},
      {"device no longer answers", Where::Receive, {{"ClearCommError", ERROR_BAD_COMMAND, 0, 0}}, false, {}},
      {"read aborted as its last byte came", Where::Receive, {{"ReadFile", ERROR_OPERATION_ABORTED, 0, 1, true}}, true, {}},
      {"read denied once while plugged in", Where::Receive, {{"ReadFile", ERROR_ACCESS_DENIED, 0, 1}}, true, {}},
      {"unplugged while reading", Where::Receive,
       {{"ReadFile", ERROR_ACCESS_DENIED, 0, 0}, {"ClearCommError", ERROR_ACCESS_DENIED, 1, 0}}, false, {}},
      {"pause fails", Where::Receive, {{"WaitForMultipleObjects", ERROR_INVALID_HANDLE, 0, 0}}, true, {}},
      {"hand-over refused (message quota)", Where::Receive, {{"PostMessageA", ERROR_NOT_ENOUGH_QUOTA, 0, 3}}, true, {}},
      // ------------------------------------------------ a key press
      {"write times out once", Where::Press, {{"WriteFile", ERROR_SEM_TIMEOUT}}, true, {}, kLine},
      {"write aborted after taking the bytes", Where::Press, {{"WriteFile", ERROR_OPERATION_ABORTED, 0, 1, true}}, true, {}, kLine},
      {"write denied once while plugged in", Where::Press, {{"WriteFile", ERROR_ACCESS_DENIED}}, true, {}, kLine},
      {"write aborted, abort not lifted", Where::Press,
       {{"WriteFile", ERROR_OPERATION_ABORTED}, {"ClearCommError", ERROR_INVALID_PARAMETER}}, true, {}, kLine},
      {"write never taken", Where::Press, {{"WriteFile", ERROR_SEM_TIMEOUT, 0, 0}}, true, {kNotSent121}, ""},
      {"terminator never taken", Where::Press, {{"WriteFile", ERROR_SEM_TIMEOUT, 1, 0}}, true, {kNotSent121}, "1 17 1 22",
       true},
      {"write fails, counting more than it was given", Where::Press, {{"WriteFile", ERROR_SEM_TIMEOUT, 0, 0, false, 99}}, true,
       {kNotSent121}, ""},
      {"unplugged while writing", Where::Press,
       {{"WriteFile", ERROR_DEVICE_NOT_CONNECTED, 0, 0}, {"ClearCommError", ERROR_DEVICE_NOT_CONNECTED, 0, 0}}, false, {}, ""},
      {"USB adapter pulled while writing", Where::Press,
       {{"WriteFile", ERROR_FILE_NOT_FOUND, 0, 0}, {"ClearCommError", ERROR_FILE_NOT_FOUND, 0, 0}}, false, {}, ""},
      {"a repeat's line never taken", Where::Hold, {{"WriteFile", ERROR_SEM_TIMEOUT, 2, 0}}, true, {kNotSent121},
       "1 17 1 25\r\n"},
      {"answer's wake-up fails", Where::Press, {{"SetEvent", ERROR_INVALID_HANDLE, 0, 0}}, true, {}, kLine},
      // ------------------------------------------------ the close
      {"stop's wake-up fails", Where::Close, {{"SetEvent", ERROR_INVALID_HANDLE, 0, 0}}, false, {}},
      // Failures the close ignores, one row per kind.
      {"purge fails, time-outs not given back, exit code unreadable", Where::Close,
       {{"PurgeComm", ERROR_GEN_FAILURE}, {"SetCommTimeouts", ERROR_GEN_FAILURE}, {"GetExitCodeThread", ERROR_INVALID_HANDLE}},
       false, {}},
      {"wait for the receiver fails", Where::Close, {{"WaitForSingleObject", ERROR_INVALID_HANDLE, 0, 2}}, false, {}},
      {"no close of a handle reports success (receiver, events, port)", Where::Close,
       {{"CloseHandle", ERROR_INVALID_HANDLE, 0, 4, true}}, false, {}},
  };
  return rows;
}

class SerialFailures : public SerialTest {
protected:
  void TearDown() override {
    ClearCallFailures();
    SerialTest::TearDown();
  }

  // Ten numbered lines from the peer; true when the pane shows them all, in
  // order, each once. With the port lost on the way, only the lines before
  // the loss can show: then true when what shows is such a beginning.
  bool LinesArrive(SerialPeer& peer, bool whole) {
    Lines sent;
    std::string bytes;
    for (int i = 0; i < 10; ++i) {
      sent.push_back("R" + std::to_string(i) + "\r");
      bytes += sent.back() + "\n";
    }
    Main->CommBuff->Lines()->Clear();
    if (!peer.Write(bytes)) return false;
    if (whole) {
      const bool all = WaitForLines(sent.size());
      EXPECT_EQ(PaneLines(), sent);
      return all && PaneLines() == sent;
    }
    PumpUntil([] { return PortHandle == INVALID_HANDLE_VALUE; });
    PumpFor(100);
    const Lines shown = PaneLines();
    const bool beginning = shown.size() <= sent.size() && Lines(sent.begin(), sent.begin() + shown.size()) == shown;
    EXPECT_TRUE(beginning) << testing::PrintToString(shown);
    return beginning;
  }

  // Calls the receiver makes while it idles: a receiver that spins makes
  // thousands in this time, one at its pace a few dozen.
  static unsigned ReceiverCallsWhileQuiet() {
    const auto calls = [] {
      return CallCount("ClearCommError") + CallCount("WaitForMultipleObjects") + CallCount("ReadFile");
    };
    const unsigned before = calls();
    PumpFor(500);
    return calls() - before;
  }
};

TEST_F(SerialFailures, EachFailureLeavesTheProgramWorkingAndTellsTheUserOnlyWhatTheyMustDo) {
  SerialPeer peer(kPair);
  ASSERT_TRUE(peer.IsOpen());
  WineDescriptors start;
  ASSERT_TRUE(CountWineDescriptors(start));
  const size_t handlesAtStart = OpenHandles();
  for (const Row& row : Rows()) {
    SCOPED_TRACE(row.Name);
    boxes.clear();
    peer.Take();
    if (row.At != Where::Open) {
      Pick(kPair);
      ASSERT_EQ(Marks(), kOpen);
    }
    for (const TCallFailure& failure : row.Failures) FailCall(failure);
    switch (row.At) {
      case Where::Open:
        // A mark shown with no port open, as a click that marks its entry
        // first leaves it: the open's outcome decides it.
        Entries()[kPair - 1]->SetChecked(true);
        Pick(kPair);
        // A port kept open carries lines both ways while the failure lasts.
        if (row.OpenAfter) {
          PressKey(kMute);
          EXPECT_EQ(peer.TakeAtLeast(kLine.size()), kLine);
          EXPECT_TRUE(LinesArrive(peer, true));
        }
        break;
      case Where::Receive:
        EXPECT_TRUE(LinesArrive(peer, row.OpenAfter));
        break;
      case Where::Press:
        PressKey(kMute);
        EXPECT_EQ(peer.TakeAfter(200), row.Wire);
        break;
      case Where::Hold: {
        // Held on through the report: a repeat that went on would report
        // again at every firing.
        const LPARAM at = MAKELPARAM(KeyTable[kVolumeUp].X + 2, KeyTable[kVolumeUp].Y);
        SendMessageA(Main->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
        EXPECT_TRUE(PumpUntil([this] { return !boxes.empty(); }, 5000));
        PumpFor(300);
        SendMessageA(Main->Handle(), WM_LBUTTONUP, 0, at);
        EXPECT_EQ(peer.TakeAfter(100), row.Wire);
        break;
      }
      case Where::Close:
        ClosePort();
        EXPECT_EQ(TThread::LiveThreadCount(), 0) << "the receiver ended before its port was closed";
        break;
    }
    if (!row.OpenAfter) PumpUntil([] { return PortHandle == INVALID_HANDLE_VALUE; });
    // While the failure lasts, the receiver keeps its pace.
    if (row.OpenAfter) {
      EXPECT_LT(ReceiverCallsWhileQuiet(), 400u) << "the receiver spins";
    }
    ClearCallFailures();

    // The window answers; the mark is true.
    DWORD_PTR result = 0;
    EXPECT_TRUE(SendMessageTimeoutA(Main->Handle(), WM_NULL, 0, 0, SMTO_NORMAL, 5000, &result));
    EXPECT_EQ(PortHandle != INVALID_HANDLE_VALUE, row.OpenAfter);
    EXPECT_EQ(Marks(), row.OpenAfter ? kOpen : kNone);
    EXPECT_EQ(ReadThread != nullptr, row.OpenAfter);
    EXPECT_EQ(boxes, row.Boxes);

    // A press with no port asks for one; then everything works again.
    boxes.clear();
    if (!row.OpenAfter) {
      PressKey(kMute);
      EXPECT_EQ(boxes, Lines{SelectPortText});
      EXPECT_EQ(peer.TakeAfter(50), "");
    }
    Pick(kPair);
    ASSERT_EQ(Marks(), kOpen);
    PressKey(kMute);
    // A line left unended is ended in front of the next one, in its write.
    const std::string next = (row.LeftOpen ? "\r\n" : "") + kLine;
    EXPECT_EQ(peer.TakeAtLeast(next.size()), next);
    EXPECT_TRUE(LinesArrive(peer, true));
    ClosePort();
    EXPECT_EQ(Marks(), kNone);
    EXPECT_EQ(TThread::LiveThreadCount(), 0);
    EXPECT_EQ(OpenHandles(), handlesAtStart) << "a handle was left open";
    if (HasFatalFailure()) return;
  }
  WineDescriptors end;
  ASSERT_TRUE(CountWineDescriptors(end));
  EXPECT_LE(end.ServerOnLines, start.ServerOnLines) << "a port is still held";
}

}  // namespace
