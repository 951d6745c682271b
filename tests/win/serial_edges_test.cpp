// The link at its edges: a port whose driver refuses the "return at once"
// read time-outs (reads then block until the whole request arrives), a
// device whose reads fail while the port still reports input, and a
// receiver that cannot be made or cannot go on. None may freeze the window,
// hang a close or leave a receiver object behind that a later close would
// touch.
#include <windows.h>

#include <atomic>
#include <memory>
#include <new>
#include <string>
#include <thread>

#include "framework/Thread.h"
#include "link/LinkReports.h"
#include "link/Receiver.h"
#include "link/StreamGathering.h"
#include "support/SerialFixture.h"
#include "support/SerialPeer.h"
#include "support/PlatformFaults.h"

namespace {

// A driver that takes no time-outs: the port keeps all-zero ones, under which
// a read waits until every byte it asked for has arrived.
BOOL WINAPI RefuseTimeouts(HANDLE port, LPCOMMTIMEOUTS) {
  COMMTIMEOUTS blocking{};
  SetCommTimeouts(port, &blocking);
  SetLastError(ERROR_INVALID_PARAMETER);
  return FALSE;
}

class LinkEdges : public SerialTest {
protected:
  void TearDown() override {
    SerialTest::TearDown();  // the close, fed should it block
    closed_ = true;
    if (feeder_.joinable()) feeder_.join();
    refusedTimeouts_.reset();
    ClearCallFailures();
    SetReceivedLineSink(nullptr);
  }

  // Runs ClosePort and says how long it took.
  static DWORD TimedClose() {
    const DWORD start = GetTickCount();
    ClosePort();
    return GetTickCount() - start;
  }

  // A peer that outlives the test's body. Should reads block all the same,
  // it is fed after a while, more than any read asks for, until the
  // teardown's close has returned: whatever waits on the reads (the open,
  // the receiver, that close) goes on, and the test fails on its time checks
  // in seconds instead of hanging.
  SerialPeer& FedPeer(int pair) {
    peer_ = std::make_unique<SerialPeer>(pair);
    feeder_ = std::thread([this] {
      for (const DWORD start = GetTickCount(); !closed_; Sleep(50)) {
        if (GetTickCount() - start > 6000) peer_->Write(std::string(128, 'u'));
      }
    });
    return *peer_;
  }

  std::unique_ptr<SerialPeer> peer_;
  std::unique_ptr<TCallSubstitute<&TPlatformCalls::SetCommTimeouts>> refusedTimeouts_;
  std::thread feeder_;
  std::atomic<bool> closed_{false};
};

TEST_F(LinkEdges, BlockingReadTimeoutsNeverHoldTheReceiverOrTheClose) {
  SerialPeer& peer = FedPeer(5);
  ASSERT_TRUE(peer.IsOpen());
  Pick(5);
  ASSERT_NE(PortHandle, INVALID_HANDLE_VALUE);
  COMMTIMEOUTS blocking{};
  ASSERT_TRUE(SetCommTimeouts(PortHandle, &blocking));

  peer.Write("abcd\n");  // 5 bytes: far fewer than the buffer's room
  ASSERT_TRUE(PumpUntil([] { return PaneLines() == Lines{"abcd"}; }, 4000)) << PaneText();
  EXPECT_LT(TimedClose(), 2000u);
}

TEST_F(LinkEdges, AnOpenWithInputPendingAndRefusedTimeoutsDoesNotFreeze) {
  SerialPeer& peer = FedPeer(5);
  ASSERT_TRUE(peer.IsOpen());
  refusedTimeouts_ = std::make_unique<TCallSubstitute<&TPlatformCalls::SetCommTimeouts>>(&RefuseTimeouts);
  Pick(5);  // once, so the pair has been opened before
  // Input the port cannot count is left to the receiver: no read may wait.
  for (const bool counted : {true, false}) {
    SCOPED_TRACE(counted ? "input counted" : "no input count");
    ClosePort();
    Main->CommBuff->Lines()->Clear();
    peer.Write("early");  // 5 bytes waiting at the next open
    PumpFor(100);
    if (!counted) FailCall({"ClearCommError", ERROR_INVALID_PARAMETER});
    const DWORD start = GetTickCount();
    Pick(5);
    EXPECT_LT(GetTickCount() - start, 2000u) << "the open waited for more input";
    EXPECT_EQ(Marks(), "----5---");
    peer.Write("late\n");
    const Lines shown{counted ? "late" : "earlylate"};
    ASSERT_TRUE(PumpUntil([&shown] { return PaneLines() == shown; }, 4000)) << PaneText();
  }
  EXPECT_LT(TimedClose(), 2000u);
}

// Such a port that never gives the input count either receives nothing: any
// read there could wait for bytes that do not come. It holds up neither the
// window nor the close.
TEST_F(LinkEdges, RefusedTimeoutsAndNoInputCountReceiveNothingYetNeverBlock) {
  SerialPeer& peer = FedPeer(5);
  ASSERT_TRUE(peer.IsOpen());
  refusedTimeouts_ = std::make_unique<TCallSubstitute<&TPlatformCalls::SetCommTimeouts>>(&RefuseTimeouts);
  FailCall({"ClearCommError", ERROR_INVALID_PARAMETER, 0, 0});
  Pick(5);
  EXPECT_EQ(Marks(), "----5---");
  peer.Write("unread\n");
  PumpFor(500);
  EXPECT_EQ(PaneText(), "");
  EXPECT_LT(TimedClose(), 2000u);
}

// Reads that fail as drivers fail them on Windows (docs/failures.md names
// the reports). A failed read closes the port only when the device is gone:
// its error says so and the port, asked again, no longer answers. Otherwise
// the line still arrives whole, also when the failed read took its bytes.
TEST_F(LinkEdges, AFailingReadClosesThePortOnlyWhenTheDeviceIsGone) {
  struct Case {
    const char* Name;
    TCallFailure Read;
    DWORD ClearError;  // ClearCommError fails with it from then on (0: it answers)
    bool Closed;
  };
  const Case cases[] = {
      {"unplugged", {"ReadFile", ERROR_ACCESS_DENIED, 0, 0}, ERROR_ACCESS_DENIED, true},
      {"device gone", {"ReadFile", ERROR_GEN_FAILURE, 0, 0}, ERROR_BAD_COMMAND, true},
      {"handle no longer a port", {"ReadFile", ERROR_INVALID_HANDLE, 0, 0}, ERROR_INVALID_HANDLE, true},
      {"denied now and then while plugged in", {"ReadFile", ERROR_ACCESS_DENIED, 0, 2}, 0, false},
      {"aborted after a line error", {"ReadFile", ERROR_OPERATION_ABORTED, 0, 3}, 0, false},
      {"aborted as the last byte arrived", {"ReadFile", ERROR_OPERATION_ABORTED, 0, 1, true}, 0, false},
      {"a driver's own time-out", {"ReadFile", ERROR_SEM_TIMEOUT, 0, 2}, 0, false},
  };
  SerialPeer peer(6);
  ASSERT_TRUE(peer.IsOpen());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    ClearCallFailures();
    Main->CommBuff->Lines()->Clear();
    Pick(6);
    ASSERT_EQ(Marks(), "-----6--");
    FailCall(c.Read);
    if (c.ClearError != 0) FailCall({"ClearCommError", c.ClearError, 1, 0});
    ASSERT_TRUE(peer.Write("after\n"));
    if (c.Closed) {
      ASSERT_TRUE(PumpUntil([] { return PortHandle == INVALID_HANDLE_VALUE; }));
      EXPECT_EQ(ReadThread, nullptr);
      EXPECT_EQ(Marks(), "--------");
      EXPECT_EQ(PaneLines(), Lines{});
    } else {
      ASSERT_TRUE(WaitForLines(1));
      EXPECT_EQ(FailuresLeft("ReadFile"), 0u);
      EXPECT_EQ(PaneLines(), Lines{"after"});
      EXPECT_EQ(Marks(), "-----6--");
    }
    EXPECT_TRUE(boxes.empty());
    ClosePort();
  }
}

// Reads as the port would, counting the bytes they gave.
std::atomic<DWORD> BytesRead{0};
BOOL WINAPI CountingRead(HANDLE port, LPVOID buffer, DWORD size, LPDWORD got, LPOVERLAPPED overlapped) {
  const BOOL read = ReadFile(port, buffer, size, got, overlapped);
  if (read) BytesRead += *got;
  return read;
}

// A line that streams in is held back for a moment to go with the next ones
// (link/LinkReports.h). A receiver that ends meanwhile, closed or finding its
// device gone, sends what it holds on its way first. "first" follows a pause
// and goes at once; "held" follows it closely and waits, for up to 100 ms,
// which the receiver's end comes well within.
TEST_F(LinkEdges, LinesHeldBackWhenTheReceiverEndsAreStillShown) {
  struct Case {
    const char* Name;
    bool DeviceGone;
  };
  const Case cases[] = {{"closed", false}, {"device gone", true}};
  SerialPeer peer(6);
  ASSERT_TRUE(peer.IsOpen());
  TCallSubstitute<&TPlatformCalls::ReadFile> counting(&CountingRead);
  for (const Case& c : cases) {
    for (int round = 0; round < 3; ++round) {
      SCOPED_TRACE(std::string(c.Name) + ", round " + std::to_string(round));
      ClearCallFailures();
      Pick(6);
      Main->CommBuff->Lines()->Clear();
      PumpFor(StreamGapMs + 20);
      peer.Write("first\n");
      ASSERT_TRUE(WaitForLines(1));
      BytesRead.store(0);
      peer.Write("held\n");
      ASSERT_TRUE(PumpUntil([] { return BytesRead.load() >= 5; }));
      if (c.DeviceGone) {
        // Unplugged: the port no longer answers.
        FailCall({"ClearCommError", ERROR_GEN_FAILURE, 0, 0});
        ASSERT_TRUE(PumpUntil([] { return PortHandle == INVALID_HANDLE_VALUE; }));
      } else {
        ClosePort();
      }
      // Within the erase countdown (5 s) of the lines: the pane keeps them.
      PumpUntil([] { return PaneLines().size() >= 2; }, 3000);
      ASSERT_EQ(PaneLines(), (Lines{"first", "held"}));
    }
  }
  ClearCallFailures();
  EXPECT_TRUE(boxes.empty());
}

TEST_F(LinkEdges, AReceiverThatCannotBeMadeOrGoOnLeavesThePortClosed) {
  SerialPeer peer(6);
  ASSERT_TRUE(peer.IsOpen());
  // One that cannot be made, with no event or no thread left, fails the open
  // as an open fails, and says why: no receiver spins, none is left behind.
  for (const bool noEvent : {true, false}) {
    // No event or no thread left.
    FailCall({noEvent ? "CreateEventA" : "_beginthreadex", ERROR_NOT_ENOUGH_MEMORY, 0, 0});
    Pick(6);
    EXPECT_EQ(PortHandle, INVALID_HANDLE_VALUE) << "the port is left open and held";
    EXPECT_EQ(Marks(), "--------");
    EXPECT_EQ(ReadThread, nullptr);
    EXPECT_EQ(TThread::LiveThreadCount(), 0);
    ClearCallFailures();
  }
  EXPECT_EQ(boxes, (Lines{"Error creating event.", "Error creating thread."}));
  boxes.clear();

  SetReceivedLineSink([](const char*) { throw std::bad_alloc(); });
  Pick(6);
  ASSERT_EQ(Marks(), "-----6--");
  peer.Write("no room for this\n");
  // Closed on the window's thread as a lost port would be, with no box.
  ASSERT_TRUE(PumpUntil([] { return PortHandle == INVALID_HANDLE_VALUE; }));
  EXPECT_EQ(ReadThread, nullptr);
  EXPECT_EQ(Marks(), "--------");
  EXPECT_TRUE(boxes.empty());

  // Nothing of the failed receiver is touched by what follows.
  SetReceivedLineSink(nullptr);
  Pick(6);
  peer.Write("back\n");
  ASSERT_TRUE(WaitForLines(1));
  EXPECT_EQ(PaneLines(), Lines{"back"});
  ClosePort();
  EXPECT_EQ(PortHandle, INVALID_HANDLE_VALUE);
}

}  // namespace
