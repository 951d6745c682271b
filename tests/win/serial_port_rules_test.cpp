// What an open leaves on the line, seen through a handle of the test's own
// on the same pseudo-terminal, and a lost-port request that comes too late.
#include <string>
#include <vector>

#include "framework/Mailbox.h"
#include "link/SendLine.h"
#include "support/SerialFixture.h"
#include "support/SerialPeer.h"

namespace {

using PortRules = SerialTest;

// The line settings a pseudo-terminal keeps and reports back: speed, stop
// bits, hardware and XON/XOFF flow control. (A pseudo-terminal always reads
// back 8 data bits, no parity, and DTR and RTS on, whatever was set.)
std::string LineSettings(HANDLE port) {
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  if (!GetCommState(port, &dcb)) return "no line settings";
  return std::to_string(dcb.BaudRate) + (dcb.StopBits == ONESTOPBIT ? " 1 stop" : " 2 stop") +
         " cts=" + std::to_string(dcb.fOutxCtsFlow) + " xon-out=" + std::to_string(dcb.fOutX) +
         " xon-in=" + std::to_string(dcb.fInX);
}

TEST_F(PortRules, AnOpenLeavesTheLineAt9600OneStopBitAndNoFlowControlWhateverItHad) {
  SerialPeer peer(3);
  ASSERT_TRUE(peer.IsOpen());
  // The line as another program left it: slow, two stop bits, both kinds
  // of flow control on.
  {
    const HANDLE other = OpenComPort(3);
    ASSERT_NE(other, INVALID_HANDLE_VALUE);
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    ASSERT_TRUE(GetCommState(other, &dcb));
    dcb.BaudRate = 1200;
    dcb.StopBits = TWOSTOPBITS;
    dcb.fOutxCtsFlow = TRUE;
    dcb.fRtsControl = RTS_CONTROL_HANDSHAKE;
    dcb.fOutX = TRUE;
    dcb.fInX = TRUE;
    ASSERT_TRUE(SetCommState(other, &dcb));
    CloseHandle(other);
  }
  const HANDLE look = OpenComPort(3);
  ASSERT_NE(look, INVALID_HANDLE_VALUE);
  ASSERT_EQ(LineSettings(look), "1200 2 stop cts=1 xon-out=1 xon-in=1");

  Pick(3);
  ASSERT_EQ(Marks(), "--3-----");
  EXPECT_EQ(LineSettings(look), "9600 1 stop cts=0 xon-out=0 xon-in=0");
  CloseHandle(look);
}

// A receiver that finds its port gone asks the window's thread to close
// it; by the time the request is run the user may have opened another.
TEST_F(PortRules, ALostPortRequestMadeForAnEarlierOpenChangesNothing) {
  struct Case {
    const char* Name;
    int First, Then;
  };
  const Case cases[] = {{"another port opened since", 1, 2}, {"the same port reopened since", 2, 2}};
  SerialPeer peer1(1), peer2(2);
  ASSERT_TRUE(peer1.IsOpen() && peer2.IsOpen());
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    Pick(c.First);
    const unsigned earlier = PortGeneration();
    Pick(c.Then);
    ASSERT_EQ(Marks(), "-2------");

    // The mailbox runs its work in order: once `done` is set, the request
    // has been run.
    bool done = false;
    RequestLostPortClose(earlier);
    PostToMainThread([&done] { done = true; });
    ASSERT_TRUE(PumpUntil([&done] { return done; }));
    ASSERT_NE(PortHandle, INVALID_HANDLE_VALUE);
    EXPECT_EQ(Marks(), "-2------");
    // Both ways still work.
    SendLine("still here", false);
    EXPECT_EQ(peer2.TakeAtLeast(12), "still here\r\n");
    Main->CommBuff->Lines()->Clear();
    peer2.Write("and back\n");
    ASSERT_TRUE(WaitForLines(1));
    EXPECT_EQ(PaneLines(), Lines{"and back"});
    peer1.Take();
  }

  // The request for the port now open does close it.
  bool done = false;
  RequestLostPortClose(PortGeneration());
  PostToMainThread([&done] { done = true; });
  ASSERT_TRUE(PumpUntil([&done] { return done; }));
  EXPECT_EQ(PortHandle, INVALID_HANDLE_VALUE);
  EXPECT_EQ(Marks(), "--------");
}

}  // namespace
