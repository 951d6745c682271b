// Key press, hold and repeat, driven through the real main window: mouse
// messages go to the window at the picture's points (the picture lies at
// (2, 0) in the client area), and the port is the write end of a pipe whose
// far end the test reads. Assertions are on the exact lines sent, their
// order, the marker and the timers' states; never on exact times.
//
// The last group (KeypadWindow) meets the keypad as the user does on the
// screen: the marker's pixels as the window shows them, presses at the very
// edges of a key's window, and a zone chosen from the real menu bar while a
// key repeats. There mouse and keys go in as input (messages to the window,
// or the platform's input queue where the menu's own loop must see them).
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/MainForm.h"
#include "framework/Application.h"
#include "framework/Dialogs.h"
#include "keypad/KeyTable.h"
#include "keypad/KeypadPress.h"
#include "link/SerialPort.h"
#include "support/MainWindow.h"
#include "support/PipePort.h"
#include "support/Pump.h"

namespace {

// Slots of the key table used below.
constexpr int OnOff = 0, Thx = 1, DigitalUp = 3, SetupTrim = 7, Mute = 8, VolumeUp = 11,
              AutoAudio = 12, MemEnter = 13, VolumeDown = 15, Digit1 = 32, Digit3 = 34, Digit10 = 41,
              Mac1 = 42, Mac2 = 43, Mac4 = 45, Light = 47, Zone = 48;

// A point on the picture where no key is drawn.
constexpr int BesideX = 102, BesideY = 152;

// Key state (wParam) bits of a mouse message.
constexpr WPARAM L = MK_LBUTTON, R = MK_RBUTTON, M = MK_MBUTTON;

using Lines = std::vector<std::string>;

struct Box {
  std::string Text, Caption;
  UINT Flags;
};

// Input as the user makes it: it goes through the platform's input queue,
// so the button's state is known to the system and the menu's own loop
// reads the keys.
void SendKey(WORD key, bool up) {
  INPUT in{};
  in.type = INPUT_KEYBOARD;
  in.ki.wVk = key;
  in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  SendInput(1, &in, sizeof in);
}
void TypeKey(WORD key) {
  SendKey(key, false);
  SendKey(key, true);
}
void SendMouse(DWORD flags, POINT at = {0, 0}) {
  INPUT in{};
  in.type = INPUT_MOUSE;
  in.mi.dx = at.x * 65535 / (GetSystemMetrics(SM_CXSCREEN) - 1);
  in.mi.dy = at.y * 65535 / (GetSystemMetrics(SM_CYSCREEN) - 1);
  in.mi.dwFlags = flags;
  SendInput(1, &in, sizeof in);
}

class Keypad : public testing::Test {
protected:
  static void SetUpTestSuite() { EnsureMainWindow(); }

  void SetUp() override {
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
    // PortHandle is the pipe's write end from here on. Its buffer is big:
    // the window's thread never blocks on a full pipe while the test pumps
    // without reading.
    port_ = std::make_unique<PipePort>();
    ASSERT_TRUE(port_->IsOpen());
  }

  void TearDown() override {
    // Whatever a failed test left held is let go: a button still down as
    // input goes up, for the tests after it, and the window lets go of the
    // mouse.
    if (GetAsyncKeyState(VK_LBUTTON) < 0) SendMouse(MOUSEEVENTF_LEFTUP);
    PumpFor(50);
    if (GetCapture() == Window()) Up(TMouseButton::Left, -50, -50, 0);
    if (GetCapture() == Window()) ReleaseCapture();
    Main->RepeatTimer->SetEnabled(false);
    Main->MenuZone1->SetChecked(true);
    port_.reset();  // PortHandle is INVALID_HANDLE_VALUE again
    SetMessageBoxHook(nullptr);
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
  const Lines& Sent() {
    wire_ += port_->Take();
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

  std::unique_ptr<PipePort> port_;
  std::string wire_;
  Lines lines_;
  std::vector<Box> boxes_;
};

// ------------------------------------------------------------ the press

TEST_F(Keypad, PressSendsTheCommandBeforeAnyTimerRuns) {
  Press(VolumeUp);
  // Nothing was pumped: the line left from inside the press handler.
  EXPECT_EQ(Sent(), std::vector<std::string>{"1 17 1 25"});
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

// The press arms the repeat timer with the key's delay. A reference timer
// started with the press tells which came first, the key's first repeat (or
// held command) or the reference: the platform hands out due timers in the
// order they fell due, however late the loop runs.
TEST_F(Keypad, FirstRepeatOrHeldCommandComesAfterTheKeysDelay) {
  struct Case {
    int Slot;
    unsigned DelayMs, ReferenceMs;
    bool KeyFirst;
  };
  const Case cases[] = {
      {VolumeUp, 120, 240, true},    // 2 ticks
      {DigitalUp, 360, 240, false},  // 6 ticks: later than Volume up's
      {MemEnter, 240, 360, true},    // 4 ticks
      {SetupTrim, 480, 360, false},  // 8 ticks
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
    EXPECT_EQ(Main->RepeatTimer->Interval(), c.DelayMs) << c.Slot;
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
  const TMouseButton held[][2] = {{TMouseButton::Left, TMouseButton::Right},
                                  {TMouseButton::Right, TMouseButton::Left},
                                  {TMouseButton::Middle, TMouseButton::Right}};
  for (const auto& h : held) {
    Press(VolumeUp, h[0]);
    Down(h[1], BesideX, BesideY, Bit(h[0]));
    ReleaseOff(h[1], Bit(h[0]));
    EXPECT_EQ(GetCapture(), Window()) << "the first button is still down";
    EXPECT_FALSE(Main->RepeatTimer->Enabled()) << "any release stops the repeat";
    ReleaseOff(h[0]);
    EXPECT_EQ(GetCapture(), nullptr);
  }
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

// ====================================================== on the screen

class KeypadWindow : public Keypad {};

// ------------------------------------------------------------ the marker

// What the window shows around a pressed key, picture pixels (X-9, Y-9) to
// (X+8, Y+8): R red, K black, '.' the keypad picture's own pixel there.
const char* const MarkerPixels[] = {
    "..................",  // Y-9
    "......KKKKKK......",  // Y-8
    ".....KRRRRRRK.....",
    "...KKRRRRRRRRKK...",
    "...KRRRRRRRRRRK...",
    "..KRRRRRRRRRRRRK..",
    ".KRRRRRRRRRRRRRRK.",
    ".KRRRRRRRRRRRRRRK.",
    ".KRRRRRRRRRRRRRRK.",
    ".KRRRRRRRRRRRRRRK.",  // Y
    ".KRRRRRRRRRRRRRRK.",
    ".KRRRRRRRRRRRRRRK.",
    "..KRRRRRRRRRRRRK..",
    "...KRRRRRRRRRRK...",
    "...KKRRRRRRRRKK...",
    ".....KRRRRRRK.....",
    "......KKKKKK......",  // Y+7
    "..................",  // Y+8
};

TEST_F(KeypadWindow, MarkerIsARedDiscWithABlackRimCentredOnTheKey) {
  const HWND window = Window();
  for (int slot : {VolumeUp, Digit3, Zone}) {
    const int x0 = KeyTable[slot].X, y0 = KeyTable[slot].Y;
    Down(TMouseButton::Left, x0, y0);
    UpdateWindow(window);
    HDC screen = GetDC(window);
    HDC picture = CreateCompatibleDC(screen);
    const HGDIOBJ old = SelectObject(picture, Main->Keypad->Picture());
    std::vector<std::string> seen;
    for (int y = y0 - 9; y <= y0 + 8; ++y) {
      std::string row;
      for (int x = x0 - 9; x <= x0 + 8; ++x) {
        const COLORREF c = GetPixel(screen, x + 2, y);
        row += c == RGB(255, 0, 0) ? 'R' : c == RGB(0, 0, 0) ? 'K' : c == GetPixel(picture, x, y) ? '.' : '?';
      }
      seen.push_back(row);
    }
    SelectObject(picture, old);
    DeleteDC(picture);
    ReleaseDC(window, screen);
    Up(TMouseButton::Left, x0, y0);
    EXPECT_EQ(seen, std::vector<std::string>(std::begin(MarkerPixels), std::end(MarkerPixels)))
        << "slot " << slot;
    ASSERT_TRUE(PumpUntil([] { return !Main->Snap->Visible(); }));
  }
}

// ------------------------------------------------- a key's window, edges

TEST_F(KeypadWindow, PressesJustInsideAKeysWindowSendItAndJustOutsideDoNot) {
  // Volume up answers presses from (82, 165) to (122, 197) on the picture.
  struct Case {
    int X, Y;
    Lines Sent;
  };
  const Case cases[] = {
      {82, 165, {"1 17 1 25"}}, {122, 197, {"1 17 1 25"}}, {81, 181, {}},
      {123, 181, {}},           {102, 164, {}},           {102, 198, {}},
  };
  for (const auto& c : cases) {
    lines_.clear();
    Down(TMouseButton::Left, c.X, c.Y);
    Up(TMouseButton::Left, c.X, c.Y);
    EXPECT_EQ(Sent(), c.Sent) << c.X << "," << c.Y;
  }
  EXPECT_TRUE(boxes_.empty());
}

// ---------------------------------------------- a zone from the menu bar

// From another thread, while the window's thread runs the menu's loop:
// Alt+S opens Settings, C its Control submenu, Z picks "Zone". Each step
// waits for the menu to get there; a menu left open is closed with Escape.
// `chosen` tells that the menu ended after the choice.
std::thread ChooseZoneTwoFromTheMenuBar(DWORD windowThread, std::atomic<bool>& chosen) {
  return std::thread([windowThread, &chosen] {
    const auto inMenu = [windowThread] {
      GUITHREADINFO info{};
      info.cbSize = sizeof info;
      return GetGUIThreadInfo(windowThread, &info) && (info.flags & GUI_INMENUMODE) != 0;
    };
    const auto openMenus = [] {
      int n = 0;
      for (HWND w = nullptr; (w = FindWindowExA(nullptr, w, "#32768", nullptr)) != nullptr;) {
        if (IsWindowVisible(w)) ++n;
      }
      return n;
    };
    const auto waitFor = [](const std::function<bool()>& cond) {
      for (DWORD start = GetTickCount(); GetTickCount() - start < 5000; Sleep(10)) {
        if (cond()) return true;
      }
      return false;
    };
    SendKey(VK_MENU, false);
    TypeKey('S');
    SendKey(VK_MENU, true);
    if (waitFor([&] { return inMenu() && openMenus() == 1; })) {
      TypeKey('C');
      if (waitFor([&] { return openMenus() == 2; })) {
        TypeKey('Z');
        chosen = waitFor([&] { return !inMenu(); });
      }
    }
    for (int i = 0; i < 3 && inMenu(); ++i) {
      TypeKey(VK_ESCAPE);
      Sleep(100);
    }
  });
}

// A zone change addresses the repeat's next firing, and the only way to
// change the zone is the menu: so the menu's loop, which borrows the mouse
// while it runs, must not end a repeat whose button is still down. The
// button's release ends it, as always.
TEST_F(KeypadWindow, ARepeatGoesOnThroughAZoneChosenFromTheMenuBarUntilItsRelease) {
  const HWND window = Window();
  SetForegroundWindow(window);
  ASSERT_TRUE(PumpUntil([window] { return GetForegroundWindow() == window; }));
  POINT key{KeyTable[VolumeUp].X + 2, KeyTable[VolumeUp].Y};
  ClientToScreen(window, &key);
  SendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, key);
  SendMouse(MOUSEEVENTF_LEFTDOWN);
  ASSERT_TRUE(PumpUntil([&] { return Sent().size() >= 3; })) << "the key repeats";

  std::atomic<bool> chosen{false};
  std::thread user = ChooseZoneTwoFromTheMenuBar(GetCurrentThreadId(), chosen);
  PumpUntil([&] { return chosen.load(); });
  user.join();
  ASSERT_TRUE(chosen) << "the menu did not close on the choice";
  EXPECT_TRUE(PumpUntil([] { return Main->MenuZone2->Checked(); }));

  const size_t atChoice = Sent().size();
  EXPECT_TRUE(PumpUntil([&] { return Sent().size() >= atChoice + 3; }, 3000))
      << "the repeat ended with the menu, its button still down";
  EXPECT_TRUE(Main->RepeatTimer->Enabled());
  SendMouse(MOUSEEVENTF_LEFTUP);
  EXPECT_TRUE(PumpUntil([] { return !Main->RepeatTimer->Enabled(); })) << "the release ends it";
  EXPECT_TRUE(PumpUntil([] { return !Main->Snap->Visible(); })) << "the release reached the picture";
  const size_t atRelease = Sent().size();
  PumpFor(300);
  const Lines& sent = Sent();
  EXPECT_EQ(sent.size(), atRelease) << "a repeat ran on";
  // Zone 1 until the choice, zone 2 after it, nothing else.
  size_t zoneOne = 0;
  while (zoneOne < sent.size() && sent[zoneOne] == "1 17 1 25") ++zoneOne;
  EXPECT_GE(zoneOne, 3u);
  EXPECT_EQ(Lines(sent.begin() + zoneOne, sent.end()), Lines(sent.size() - zoneOne, "2 17 1 25"));
}

}  // namespace
