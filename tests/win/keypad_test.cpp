// Key press, hold and repeat, driven through the real main window: mouse
// messages go to the window at the picture's points (the picture lies at
// (2, 0) in the client area), and the port is the write end of a pipe whose
// far end the test reads. Assertions are on the exact lines sent, their
// order, the marker and the timers' states; never on exact times.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/MainForm.h"
#include "framework/Application.h"
#include "framework/Dialogs.h"
#include "keypad/KeyTable.h"
#include "keypad/KeypadPress.h"
#include "link/SerialPort.h"
#include "support/MainWindow.h"
#include "support/Pump.h"

namespace {

// Slots of the key table used below.
constexpr int OnOff = 0, Thx = 1, DigitalUp = 3, SetupTrim = 7, Mute = 8, VolumeUp = 11,
              AutoAudio = 12, MemEnter = 13, VolumeDown = 15, Digit1 = 32, Digit10 = 41,
              Mac1 = 42, Mac2 = 43, Mac4 = 45, Light = 47, Zone = 48;

// A point on the picture where no key is drawn.
constexpr int BesideX = 102, BesideY = 152;

// Key state (wParam) bits of a mouse message.
constexpr WPARAM L = MK_LBUTTON, R = MK_RBUTTON, M = MK_MBUTTON;

struct Box {
  std::string Text, Caption;
  UINT Flags;
};

class Keypad : public testing::Test {
protected:
  static void SetUpTestSuite() { EnsureMainWindow(); }

  void SetUp() override {
    // A big buffer: the window's thread never blocks on a full pipe while
    // the test pumps without reading.
    ASSERT_TRUE(CreatePipe(&read_, &write_, nullptr, 1 << 16));
    SetMessageBoxHook([this](const std::string& text, const std::string& caption, UINT flags) {
      boxes_.push_back({text, caption, flags});
      return IDOK;
    });
    SetActiveWindow(Window());
    Main->MenuZone1->SetChecked(true);
    // Leave the marker of an earlier test behind: a release on the picture
    // starts its linger.
    if (Main->Snap->Visible()) {
      Up(TMouseButton::Left, BesideX, BesideY, 0);
      ASSERT_TRUE(PumpUntil([] { return !Main->Snap->Visible(); }, 5000));
    }
    ASSERT_FALSE(Main->RepeatTimer->Enabled());
    ASSERT_EQ(GetCapture(), nullptr);
    Main->CommBuff->Lines()->Clear();
    PortHandle = write_;
  }

  void TearDown() override {
    // Whatever a failed test left held is let go.
    if (GetCapture() == Window()) Up(TMouseButton::Left, -50, -50, 0);
    Main->RepeatTimer->SetEnabled(false);
    PortHandle = INVALID_HANDLE_VALUE;
    SetMessageBoxHook(nullptr);
    CloseHandle(write_);
    CloseHandle(read_);
  }

  static HWND Window() { return Main->Handle(); }

  static UINT DownMessage(TMouseButton b) {
    return b == TMouseButton::Left    ? WM_LBUTTONDOWN
           : b == TMouseButton::Right ? WM_RBUTTONDOWN
                                      : WM_MBUTTONDOWN;
  }
  static UINT UpMessage(TMouseButton b) {
    return b == TMouseButton::Left    ? WM_LBUTTONUP
           : b == TMouseButton::Right ? WM_RBUTTONUP
                                      : WM_MBUTTONUP;
  }
  static WPARAM Bit(TMouseButton b) {
    return b == TMouseButton::Left ? L : b == TMouseButton::Right ? R : M;
  }
  static LPARAM At(int pictureX, int pictureY) {
    return MAKELPARAM(static_cast<WORD>(static_cast<short>(pictureX + 2)),
                      static_cast<WORD>(static_cast<short>(pictureY)));
  }

  // A press at a point of the picture; `alsoDown` are the other buttons
  // still held. Sent, not posted: the handler has run when it returns.
  static void Down(TMouseButton b, int x, int y, WPARAM alsoDown = 0) {
    SendMessageA(Window(), DownMessage(b), Bit(b) | alsoDown, At(x, y));
  }
  static void Press(int slot, TMouseButton b = TMouseButton::Left, WPARAM alsoDown = 0) {
    Down(b, KeyTable[slot].X, KeyTable[slot].Y, alsoDown);
  }
  // A release; `stillDown` are the buttons held after it.
  static void Up(TMouseButton b, int x, int y, WPARAM stillDown = 0) {
    SendMessageA(Window(), UpMessage(b), stillDown, At(x, y));
  }
  static void Release(int slot, TMouseButton b = TMouseButton::Left, WPARAM stillDown = 0) {
    Up(b, KeyTable[slot].X, KeyTable[slot].Y, stillDown);
  }
  // A release far off the picture and the window.
  static void ReleaseOff(TMouseButton b, WPARAM stillDown = 0) { Up(b, 400, 900, stillDown); }

  // Every complete line that reached the port so far, CR LF removed. Writes
  // are synchronous on this thread, so the pipe holds whole lines whenever
  // the test looks.
  const std::vector<std::string>& Sent() {
    DWORD avail = 0;
    while (PeekNamedPipe(read_, nullptr, 0, nullptr, &avail, nullptr) && avail > 0) {
      std::string chunk(avail, '\0');
      DWORD got = 0;
      if (!ReadFile(read_, &chunk[0], avail, &got, nullptr)) break;
      wire_.append(chunk, 0, got);
    }
    for (size_t end; (end = wire_.find("\r\n")) != std::string::npos;) {
      lines_.push_back(wire_.substr(0, end));
      wire_.erase(0, end + 2);
    }
    EXPECT_EQ(wire_, "") << "a line without its CR LF";
    return lines_;
  }
  size_t SentCount() { return Sent().size(); }
  bool WaitForSent(size_t n, DWORD ms = 5000) {
    return PumpUntil([&] { return SentCount() >= n; }, ms);
  }

  static std::vector<std::string> Repeated(const std::string& line, size_t n) {
    return std::vector<std::string>(n, line);
  }

  HANDLE read_ = nullptr;
  HANDLE write_ = nullptr;
  std::string wire_;
  std::vector<std::string> lines_;
  std::vector<Box> boxes_;
};

// ------------------------------------------------------------ the press

TEST_F(Keypad, PressSendsTheCommandBeforeAnyTimerRuns) {
  Press(VolumeUp);
  // Nothing was pumped: the line left from inside the press handler.
  EXPECT_EQ(Sent(), std::vector<std::string>{"1 17 1 25"});
  Release(VolumeUp);
}

TEST_F(Keypad, ExactBytesOfAPressOnTheWire) {
  Press(VolumeUp);
  char buf[32] = {};
  DWORD got = 0;
  ASSERT_TRUE(ReadFile(read_, buf, sizeof(buf), &got, nullptr));
  EXPECT_EQ(std::string(buf, got), "1 17 1 25\r\n");
  Release(VolumeUp);
}

TEST_F(Keypad, ShortClicksSendOnlyThePressCommand) {
  struct Case {
    int Slot;
    const char* Line;
  };
  const Case cases[] = {{MemEnter, "1 17 1 27"}, {VolumeUp, "1 17 1 25"},
                        {DigitalUp, "1 17 1 17"}, {OnOff, "1 17 1 14"},
                        {Thx, "1 17 1 15"},       {Zone, "1 17 1 57"}};
  for (const auto& c : cases) {
    lines_.clear();
    Press(c.Slot);
    Release(c.Slot);  // before any timer could fire: nothing was pumped
    EXPECT_FALSE(Main->RepeatTimer->Enabled()) << c.Slot;
    PumpFor(600);  // longer than any key's delay
    EXPECT_EQ(Sent(), std::vector<std::string>{c.Line}) << c.Slot;
  }
}

TEST_F(Keypad, DoubleClickSendsTheCommandTwice) {
  // The window's class asks for no double-click messages: the second press
  // of a double click is a press like the first.
  EXPECT_EQ(GetClassLongPtrA(Window(), GCL_STYLE) & CS_DBLCLKS, 0u);
  Press(Thx);
  Release(Thx);
  Press(Thx);
  Release(Thx);
  EXPECT_EQ(Sent(), Repeated("1 17 1 15", 2));
}

// ------------------------------------------------------- hold and repeat

TEST_F(Keypad, HoldKeysSendTheHeldCommandOnceHoweverLongHeld) {
  struct Case {
    int Slot;
    const char* Press;
    const char* Held;
  };
  const Case cases[] = {{MemEnter, "1 17 1 27", "1 17 2 27"},
                        {OnOff, "1 17 1 14", "1 17 2 14"},
                        {SetupTrim, "1 17 1 21", "1 17 2 21"},
                        {Digit10, "1 17 1 55", "1 17 2 55"}};
  for (const auto& c : cases) {
    lines_.clear();
    Press(c.Slot);
    ASSERT_TRUE(WaitForSent(2)) << c.Slot;
    EXPECT_FALSE(Main->RepeatTimer->Enabled()) << c.Slot;
    PumpFor(600);  // ten more ticks held
    Release(c.Slot);
    EXPECT_EQ(Sent(), (std::vector<std::string>{c.Press, c.Held})) << c.Slot;
  }
}

TEST_F(Keypad, RepeatingKeysRepeatThePressCommandUntilTheRelease) {
  struct Case {
    int Slot;
    const char* Line;
  };
  const Case cases[] = {{VolumeUp, "1 17 1 25"},
                        {VolumeDown, "1 17 1 29"},
                        {AutoAudio, "1 17 1 26"},
                        {DigitalUp, "1 17 1 17"}};
  for (const auto& c : cases) {
    lines_.clear();
    Press(c.Slot);
    ASSERT_TRUE(WaitForSent(6)) << c.Slot;
    EXPECT_TRUE(Main->RepeatTimer->Enabled());
    EXPECT_EQ(Main->RepeatTimer->Interval(), 60u) << "repeats come every tick";
    Release(c.Slot);
    const size_t atRelease = SentCount();
    EXPECT_FALSE(Main->RepeatTimer->Enabled());
    PumpFor(300);
    EXPECT_EQ(Sent(), Repeated(c.Line, atRelease)) << c.Slot << ": never a held command";
  }
}

TEST_F(Keypad, KeysWithNeitherFlagSendOneCommandWhileHeld) {
  for (int slot : {Thx, Mute}) {
    lines_.clear();
    Press(slot);
    EXPECT_FALSE(Main->RepeatTimer->Enabled());
    PumpFor(600);
    Release(slot);
    EXPECT_EQ(SentCount(), 1u) << slot;
  }
}

TEST_F(Keypad, PressArmsTheRepeatTimerWithTheKeysDelay) {
  struct Case {
    int Slot;
    unsigned Interval;
  };
  const Case cases[] = {{VolumeUp, 120}, {DigitalUp, 360}, {MemEnter, 240}, {SetupTrim, 480}};
  for (const auto& c : cases) {
    Press(c.Slot);
    EXPECT_TRUE(Main->RepeatTimer->Enabled()) << c.Slot;
    EXPECT_EQ(Main->RepeatTimer->Interval(), c.Interval) << c.Slot;
    Release(c.Slot);
  }
}

// A reference timer started with the press tells which came first, the
// key's first repeat (or held command) or the reference: the platform hands
// out due timers in the order they fell due, however late the loop runs.
TEST_F(Keypad, FirstRepeatOrHeldCommandComesAfterTheKeysDelay) {
  struct Case {
    int Slot;
    unsigned ReferenceMs;
    bool KeyFirst;
  };
  const Case cases[] = {
      {VolumeUp, 240, true},    // 2 ticks
      {DigitalUp, 240, false},  // 6 ticks: later than Volume up's
      {MemEnter, 360, true},    // 4 ticks
      {SetupTrim, 360, false},  // 8 ticks
  };
  for (const auto& c : cases) {
    lines_.clear();
    size_t atReference = 0;
    bool fired = false;
    TTimer reference(nullptr);
    reference.SetEnabled(false);
    reference.SetInterval(c.ReferenceMs);
    reference.SetOnTimer([&](TObject*) {
      if (!fired) atReference = SentCount();
      fired = true;
    });
    Press(c.Slot);
    reference.SetEnabled(true);
    ASSERT_TRUE(PumpUntil([&] { return fired && SentCount() >= 2; })) << c.Slot;
    Release(c.Slot);
    if (c.KeyFirst) {
      EXPECT_GE(atReference, 2u) << c.Slot;
    } else {
      EXPECT_EQ(atReference, 1u) << c.Slot;
    }
  }
}

// --------------------------------------------------------------- zones

TEST_F(Keypad, ZoneCheckedAddressesZoneTwoForPressHoldAndRepeat) {
  Main->MenuZone2->SetChecked(true);
  Press(MemEnter);
  ASSERT_TRUE(WaitForSent(2));
  Release(MemEnter);
  Press(VolumeUp);
  ASSERT_TRUE(WaitForSent(5));
  Release(VolumeUp);
  const std::vector<std::string> expected = {"2 17 1 27", "2 17 2 27", "2 17 1 25", "2 17 1 25",
                                             "2 17 1 25"};
  EXPECT_EQ(std::vector<std::string>(Sent().begin(), Sent().begin() + 5), expected);
  for (const auto& line : Sent()) EXPECT_EQ(line.substr(0, 2), "2 ");
}

TEST_F(Keypad, SwitchingZoneDuringARepeatAddressesTheNewZoneAtTheNextRepeat) {
  Main->MenuZone2->SetChecked(true);
  Press(VolumeUp);
  ASSERT_TRUE(WaitForSent(3));
  // Through the menu's own handler, as a user's choice would go.
  SendMessageA(Window(), WM_COMMAND, MAKEWPARAM(Main->MenuZone1->Command(), 0), 0);
  ASSERT_TRUE(Main->MenuZone1->Checked());
  const size_t before = SentCount();
  ASSERT_TRUE(WaitForSent(before + 2));
  Release(VolumeUp);
  const auto& sent = Sent();
  for (size_t i = 0; i < sent.size(); ++i) {
    EXPECT_EQ(sent[i], i < before ? "2 17 1 25" : "1 17 1 25") << i;
  }
}

// ------------------------------------------------- buttons and capture

TEST_F(Keypad, EveryButtonActsLikeTheLeftAndItsReleaseAnywhereStopsTheRepeat) {
  for (TMouseButton b : {TMouseButton::Left, TMouseButton::Right, TMouseButton::Middle}) {
    lines_.clear();
    Press(VolumeUp, b);
    EXPECT_EQ(GetCapture(), Window());
    ASSERT_TRUE(WaitForSent(3));
    ReleaseOff(b);  // the pointer left the picture and the window meanwhile
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_FALSE(Main->RepeatTimer->Enabled());
    const size_t atRelease = SentCount();
    PumpFor(300);
    EXPECT_EQ(Sent(), Repeated("1 17 1 25", atRelease));
    ASSERT_TRUE(PumpUntil([] { return !Main->Snap->Visible(); }))
        << "the release reached the picture and started the marker's linger";
  }
}

TEST_F(Keypad, CaptureLastsUntilTheLastHeldButtonIsReleased) {
  Press(VolumeUp, TMouseButton::Left);
  Down(TMouseButton::Right, BesideX, BesideY, L);
  ReleaseOff(TMouseButton::Right, L);
  EXPECT_EQ(GetCapture(), Window()) << "the left button is still down";
  EXPECT_FALSE(Main->RepeatTimer->Enabled()) << "any release stops the repeat";
  ReleaseOff(TMouseButton::Left);
  EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(Keypad, LosingTheCaptureStopsTheRepeat) {
  HWND other = CreateWindowExA(0, "STATIC", "", WS_POPUP, 600, 600, 20, 20, nullptr, nullptr,
                               GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(other, nullptr);
  ShowWindow(other, SW_SHOWNOACTIVATE);
  struct Case {
    const char* Name;
    void (*Take)(HWND other);
  };
  const Case cases[] = {
      {"released by someone else", [](HWND) { ReleaseCapture(); }},
      {"taken by another window", [](HWND o) { SetCapture(o); }},
      {"window deactivated", [](HWND o) { SetActiveWindow(o); }},
  };
  for (const auto& c : cases) {
    // The display server reports focus changes late: let them settle before
    // the press, so that only the deliberate change below ends it.
    SetActiveWindow(Window());
    PumpFor(200);
    ASSERT_EQ(GetActiveWindow(), Window());
    lines_.clear();
    Press(VolumeUp);
    ASSERT_TRUE(WaitForSent(3)) << c.Name;
    c.Take(other);
    EXPECT_NE(GetCapture(), Window()) << c.Name;
    EXPECT_FALSE(Main->RepeatTimer->Enabled()) << c.Name;
    const size_t atLoss = SentCount();
    PumpFor(300);
    EXPECT_EQ(SentCount(), atLoss) << c.Name;
    // No release came: the marker stays until one reaches the picture.
    EXPECT_TRUE(Main->Snap->Visible()) << c.Name;
    EXPECT_FALSE(Main->SnapTimer->Enabled()) << c.Name;
    ReleaseCapture();
    Release(VolumeUp);
    ASSERT_TRUE(PumpUntil([] { return !Main->Snap->Visible(); })) << c.Name;
  }
  DestroyWindow(other);
  SetActiveWindow(Window());
  PumpFor(200);
}

TEST_F(Keypad, SecondButtonOnAnotherKeyTakesOverTheRepeat) {
  struct Case {
    int Second;
    std::vector<std::string> Then;  // what the second key sends while held
    bool Armed;
  };
  const Case cases[] = {
      {MemEnter, {"1 17 1 27", "1 17 2 27"}, true},
      {VolumeDown, {"1 17 1 29", "1 17 1 29", "1 17 1 29"}, true},
      {Thx, {"1 17 1 15"}, false},
      {Mac1, {}, false},
  };
  for (const auto& c : cases) {
    lines_.clear();
    Press(VolumeUp, TMouseButton::Left);
    ASSERT_TRUE(WaitForSent(3));
    const size_t before = SentCount();
    Press(c.Second, TMouseButton::Right, L);
    // The second key's command left from inside its press.
    EXPECT_EQ(SentCount(), before + (c.Then.empty() ? 0 : 1)) << c.Second;
    EXPECT_EQ(Main->RepeatTimer->Enabled(), c.Armed) << c.Second;
    if (c.Armed) {
      EXPECT_EQ(Main->RepeatTimer->Interval(),
                static_cast<unsigned>(KeyTable[c.Second].DelayTicks * KeyTickMs));
      ASSERT_TRUE(WaitForSent(before + c.Then.size())) << c.Second;
    } else {
      PumpFor(300);
    }
    Release(c.Second, TMouseButton::Right, L);
    EXPECT_FALSE(Main->RepeatTimer->Enabled()) << c.Second;
    const size_t atRelease = SentCount();
    ReleaseOff(TMouseButton::Left);
    PumpFor(200);
    EXPECT_EQ(SentCount(), atRelease);
    const auto& sent = Sent();
    EXPECT_EQ(std::vector<std::string>(sent.begin(), sent.begin() + before),
              Repeated("1 17 1 25", before));
    // The old key's repeats ended at the second press: only the new key's
    // lines follow (a repeating new key may have sent more before its release).
    ASSERT_GE(sent.size(), before + c.Then.size()) << c.Second;
    for (size_t i = 0; i < c.Then.size(); ++i) EXPECT_EQ(sent[before + i], c.Then[i]) << c.Second;
    const std::string last = c.Then.empty() ? "(nothing)" : c.Then.back();
    for (size_t i = before + c.Then.size(); i < sent.size(); ++i) {
      EXPECT_EQ(sent[i], last) << c.Second;
    }
  }
}

TEST_F(Keypad, SecondButtonBesideTheKeysEndsTheRepeatAtItsNextFiring) {
  Press(VolumeUp, TMouseButton::Left);
  ASSERT_TRUE(WaitForSent(3));
  const RECT marker = Main->Snap->BoundsRect();
  Down(TMouseButton::Right, BesideX, BesideY, L);
  EXPECT_EQ(CurrentKey, -1);
  const size_t before = SentCount();
  // The press itself changes nothing else; the next firing finds no key,
  // sends nothing and stops.
  EXPECT_TRUE(Main->RepeatTimer->Enabled());
  ASSERT_TRUE(PumpUntil([] { return !Main->RepeatTimer->Enabled(); }));
  PumpFor(200);
  EXPECT_EQ(SentCount(), before);
  const RECT now = Main->Snap->BoundsRect();
  EXPECT_TRUE(EqualRect(&marker, &now));
  EXPECT_TRUE(Main->Snap->Visible());
  Up(TMouseButton::Right, BesideX, BesideY, L);
  ReleaseOff(TMouseButton::Left);
}

// ---------------------------------------------- keys that send nothing

TEST_F(Keypad, KeysWithCodesOfAHundredOrMoreSendNothingButStopARepeat) {
  for (int slot : {Mac1, Mac2, Mac4, Light}) {
    lines_.clear();
    Press(VolumeUp, TMouseButton::Left);
    ASSERT_TRUE(WaitForSent(2));
    const int echoed = Main->CommBuff->Lines()->Count();
    Press(slot, TMouseButton::Right, L);
    EXPECT_FALSE(Main->RepeatTimer->Enabled()) << slot;
    EXPECT_TRUE(Main->Snap->Visible());
    EXPECT_EQ(Main->Snap->Left(), KeyTable[slot].X - 6) << slot;
    EXPECT_EQ(Main->Snap->Top(), KeyTable[slot].Y - 8) << slot;
    const size_t atPress = SentCount();
    PumpFor(200);
    EXPECT_EQ(SentCount(), atPress) << slot;
    EXPECT_EQ(Main->CommBuff->Lines()->Count(), echoed) << slot << ": nothing echoed";
    Release(slot, TMouseButton::Right, L);
    ReleaseOff(TMouseButton::Left);
  }
  EXPECT_TRUE(boxes_.empty());
}

// ---------------------------------------------------------- no port open

TEST_F(Keypad, WithNoPortAPressShowsTheMarkerAndTheMessageAndSendsNothing) {
  PortHandle = INVALID_HANDLE_VALUE;
  for (int slot : {VolumeUp, MemEnter, Thx, Mac2}) {
    boxes_.clear();
    const unsigned interval = Main->RepeatTimer->Interval();
    Press(slot);
    ASSERT_EQ(boxes_.size(), 1u) << slot;
    EXPECT_EQ(boxes_[0].Text, "Select COM port (Settings->Port)");
    EXPECT_EQ(boxes_[0].Caption, "Orvant Remote");
    EXPECT_EQ(boxes_[0].Flags & MB_TYPEMASK, static_cast<UINT>(MB_OK));
    EXPECT_EQ(boxes_[0].Flags & MB_ICONMASK, 0u);
    EXPECT_TRUE(Main->Snap->Visible()) << slot;
    EXPECT_EQ(Main->Snap->Left(), KeyTable[slot].X - 6) << slot;
    EXPECT_FALSE(Main->RepeatTimer->Enabled()) << slot;
    EXPECT_EQ(Main->RepeatTimer->Interval(), interval) << slot;
    PumpFor(200);
    EXPECT_TRUE(Main->Snap->Visible()) << slot << ": until a release";
    Release(slot);
    ASSERT_TRUE(PumpUntil([] { return !Main->Snap->Visible(); })) << slot;
  }
  EXPECT_EQ(SentCount(), 0u);
  EXPECT_EQ(Main->CommBuff->Lines()->Count(), 0);
}

// ------------------------------------------------------------ the marker

TEST_F(Keypad, MarkerIsCentredOnThePressedKeyAndLingersAfterTheRelease) {
  struct Case {
    int Slot;
    int Left, Top;
  };
  const Case cases[] = {{OnOff, 34, 82}, {Digit1, 18, 479}, {Zone, 166, 592}, {VolumeUp, 96, 173}};
  for (const auto& c : cases) {
    Press(c.Slot);
    EXPECT_TRUE(Main->Snap->Visible()) << c.Slot;
    EXPECT_EQ(Main->Snap->Left(), c.Left) << c.Slot;
    EXPECT_EQ(Main->Snap->Top(), c.Top) << c.Slot;
    EXPECT_EQ(Main->Snap->Width(), 16);
    EXPECT_EQ(Main->Snap->Height(), 16);
    EXPECT_FALSE(Main->SnapTimer->Enabled()) << "shown, not fading, while held";
    PumpFor(100);
    EXPECT_TRUE(Main->Snap->Visible()) << c.Slot;
    Release(c.Slot);
    EXPECT_TRUE(Main->SnapTimer->Enabled());
    ASSERT_TRUE(PumpUntil([] { return !Main->Snap->Visible(); })) << c.Slot;
    EXPECT_FALSE(Main->SnapTimer->Enabled());
  }
}

TEST_F(Keypad, PressBesideTheKeysChangesNothingButCurrentKey) {
  Press(Thx);
  Release(Thx);
  ASSERT_TRUE(PumpUntil([] { return !Main->Snap->Visible(); }));
  const RECT marker = Main->Snap->BoundsRect();
  Down(TMouseButton::Left, BesideX, BesideY);
  EXPECT_EQ(CurrentKey, -1);
  EXPECT_FALSE(Main->Snap->Visible());
  const RECT now = Main->Snap->BoundsRect();
  EXPECT_TRUE(EqualRect(&marker, &now));
  EXPECT_FALSE(Main->SnapTimer->Enabled());
  // Its release reaches the picture but finds the marker hidden.
  Up(TMouseButton::Left, BesideX, BesideY);
  EXPECT_FALSE(Main->SnapTimer->Enabled());
  EXPECT_EQ(SentCount(), 1u);
  EXPECT_TRUE(boxes_.empty());
}

TEST_F(Keypad, QuickSecondPressKeepsTheRunningLingerAndIsHiddenWhileHeld) {
  Press(Thx);
  Release(Thx);
  ASSERT_TRUE(Main->SnapTimer->Enabled());
  Press(Mute);  // within the linger: nothing was pumped since the release
  EXPECT_EQ(Main->Snap->Left(), KeyTable[Mute].X - 6);
  EXPECT_TRUE(Main->Snap->Visible());
  EXPECT_TRUE(Main->SnapTimer->Enabled()) << "the earlier countdown goes on";
  ASSERT_TRUE(PumpUntil([] { return !Main->Snap->Visible(); })) << "hidden while still held";
  EXPECT_FALSE(Main->SnapTimer->Enabled());
  Release(Mute);
  EXPECT_FALSE(Main->SnapTimer->Enabled()) << "a hidden marker starts no countdown";
  EXPECT_FALSE(Main->Snap->Visible());
  EXPECT_EQ(Sent(), (std::vector<std::string>{"1 17 1 15", "1 17 1 22"}));
}

// ---------------------------------------------------------- the pane echo

TEST_F(Keypad, EveryCommandSentIsEchoedInThePane) {
  Press(MemEnter);
  ASSERT_TRUE(WaitForSent(2));
  Release(MemEnter);
  Press(Mac2);  // sends and echoes nothing
  Release(Mac2);
  ASSERT_EQ(Main->CommBuff->Lines()->Count(), 2);
  EXPECT_EQ(Main->CommBuff->Lines()->Get(0), "1 17 1 27");
  EXPECT_EQ(Main->CommBuff->Lines()->Get(1), "1 17 2 27");
}

}  // namespace
