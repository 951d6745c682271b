// The terminal pane over a real port: lines received while it is hidden,
// and the erase countdown across typing, received lines and refused key
// presses. Where it matters whether the countdown was restarted, a
// reference timer started beside it tells which of the two fell due first
// (the platform hands out due timers in that order, however late the loop
// runs), so no check rests on how fast the machine is.
#include <functional>
#include <string>
#include <vector>

#include "framework/Timer.h"
#include "support/PipePort.h"
#include "support/SerialFixture.h"
#include "support/SerialPeer.h"

namespace {

constexpr int Thx = 1;  // code 15, sends one command
constexpr int Port = 5;
// The erase countdown of these tests (ms): shorter than the product's five
// seconds, long enough for a line to come back from the peer within it.
constexpr unsigned Countdown = 2000;

class PaneRules : public SerialTest {
protected:
  void SetUp() override {
    SerialTest::SetUp();
    if (Main->MenuVisible->Checked()) Click(Main->MenuVisible);
    Main->MenuErase->SetChecked(true);
    Main->EraseTimer->SetEnabled(false);
    Main->EraseTimer->SetInterval(Countdown);
    Main->MenuZone1->SetChecked(true);
    EmptyTypedLine(TypedLine);
  }

  void TearDown() override {
    if (Main->MenuVisible->Checked()) Click(Main->MenuVisible);
    Main->MenuErase->SetChecked(true);
    SerialTest::TearDown();
  }

  // A menu item chosen by the user: its command reaches the window.
  static void Click(TMenuItem* item) { SendMessageA(Main->Handle(), WM_COMMAND, item->Command(), 0); }

  static void Type(const std::string& keys) {
    for (char c : keys) {
      SendMessageA(Main->CommBuff->Handle(), WM_CHAR, static_cast<unsigned char>(c), 0);
    }
  }

  // What the pane's own window holds.
  static std::string Shown() {
    const HWND pane = Main->CommBuff->Handle();
    std::string text(GetWindowTextLengthA(pane) + 1, '\0');
    text.resize(GetWindowTextA(pane, &text[0], static_cast<int>(text.size())));
    return text;
  }

  // Starts a reference timer of `ms`, runs `meanwhile`, and returns what
  // the pane held when the reference fired.
  static std::string ShownWhenReferenceFires(unsigned ms, const std::function<void()>& meanwhile) {
    bool fired = false;
    std::string atFiring;
    TTimer reference(nullptr);
    reference.SetEnabled(false);
    reference.SetInterval(ms);
    reference.SetOnTimer([&](TObject*) {
      if (!fired) atFiring = Shown();
      fired = true;
    });
    reference.SetEnabled(true);
    meanwhile();
    EXPECT_TRUE(PumpUntil([&] { return fired; }, ms + 10000));
    return atFiring;
  }
};

TEST_F(PaneRules, LinesReceivedWhileThePaneIsHiddenAreThereWhenItIsShownUnlessACountdownClearedThem) {
  struct Case {
    const char* Name;
    bool Clear;
    bool CountdownRunsOut;
    const char* Shown;
  };
  const Case cases[] = {
      {"Clear unchecked", false, false, "one\r\ntwo\r\r\n"},
      {"shown before the countdown ends", true, false, "one\r\ntwo\r\r\n"},
      {"the countdown ran out while hidden", true, true, ""},
  };
  SerialPeer peer(Port);
  ASSERT_TRUE(peer.IsOpen());
  Pick(Port);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    Main->MenuErase->SetChecked(c.Clear);
    Main->EraseTimer->SetEnabled(false);
    Main->CommBuff->Lines()->Clear();
    ASSERT_FALSE(IsWindowVisible(Main->CommBuff->Handle()));
    peer.Write("one\ntwo\r\n");
    ASSERT_TRUE(WaitForLines(2));
    if (c.CountdownRunsOut) {
      ASSERT_TRUE(PumpUntil([] { return !Main->EraseTimer->Enabled(); }));
    }
    Click(Main->MenuVisible);
    EXPECT_TRUE(IsWindowVisible(Main->CommBuff->Handle()));
    EXPECT_EQ(Shown(), c.Shown);
    Click(Main->MenuVisible);
  }
}

TEST_F(PaneRules, APauseLongerThanTheCountdownBetweenTypedCharactersClearsThePaneYetEnterSendsThemAll) {
  SerialPeer peer(Port);
  ASSERT_TRUE(peer.IsOpen());
  Pick(Port);
  Click(Main->MenuVisible);
  Type("ab");
  ASSERT_EQ(Shown(), "ab");
  ASSERT_TRUE(PumpUntil([] { return Shown().empty(); })) << "the countdown cleared the pane";
  Type("c\r");
  EXPECT_EQ(Hex(peer.TakeAtLeast(6)), Hex("abc\r\r\n"));
  EXPECT_EQ(Shown(), "c\r\n");
}

TEST_F(PaneRules, ALineFromTheReceiverRestartsTheCountdown) {
  SerialPeer peer(Port);
  ASSERT_TRUE(peer.IsOpen());
  Pick(Port);
  PressKey(Thx);  // its echo starts the countdown
  ASSERT_EQ(Shown(), "1 17 1 15\r\n");
  // The echo's countdown falls due before the reference, the received
  // line's after it.
  const std::string atReference = ShownWhenReferenceFires(Countdown + 300, [&] {
    PumpFor(500);
    peer.Write("OK\n");
    ASSERT_TRUE(WaitForLines(2));
  });
  EXPECT_EQ(atReference, "1 17 1 15\r\nOK\r\n");
  EXPECT_TRUE(PumpUntil([] { return Shown().empty(); })) << "cleared a countdown after the received line";
}

TEST_F(PaneRules, AKeyPressWithNoPortOpenDoesNotRestartTheCountdown) {
  Type("x");  // starts the countdown
  // The countdown falls due before the reference, unless the press
  // restarted it.
  const std::string atReference = ShownWhenReferenceFires(Countdown + 300, [&] {
    PumpFor(500);
    PressKey(Thx);
    ASSERT_EQ(boxes, std::vector<std::string>{SelectPortText});
  });
  EXPECT_EQ(atReference, "");
}

}  // namespace
