// The keypad as the user meets it on the screen: the marker's pixels as the
// window shows them, presses at the very edges of a key's window, and a
// zone chosen from the real menu bar while a key repeats. Mouse and keys go
// in as input (messages to the window, or the platform's input queue where
// the menu's own loop must see them); the port is the write end of a pipe
// whose far end the test reads.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
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
#include "support/Pump.h"

namespace {

constexpr int VolumeUp = 11;  // at (102, 181) on the picture, code 25
using Lines = std::vector<std::string>;

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

class KeypadWindow : public testing::Test {
protected:
  static void SetUpTestSuite() { EnsureMainWindow(); }

  void SetUp() override {
    ASSERT_TRUE(CreatePipe(&read_, &write_, nullptr, 1 << 16));
    SetMessageBoxHook([this](const std::string& text, const std::string&, UINT) {
      boxes_.push_back(text);
      return IDOK;
    });
    Main->MenuZone1->SetChecked(true);
    PortHandle = write_;
  }

  void TearDown() override {
    // A button a failed test left down goes up, for the tests after it.
    if (GetAsyncKeyState(VK_LBUTTON) < 0) SendMouse(MOUSEEVENTF_LEFTUP);
    PumpFor(50);
    if (GetCapture() == Window()) ReleaseCapture();
    Main->RepeatTimer->SetEnabled(false);
    Main->MenuZone1->SetChecked(true);
    PortHandle = INVALID_HANDLE_VALUE;
    SetMessageBoxHook(nullptr);
    CloseHandle(write_);
    CloseHandle(read_);
  }

  static HWND Window() { return Main->Handle(); }

  // The picture lies at (2, 0) in the window's client area.
  static LPARAM At(int pictureX, int pictureY) { return MAKELPARAM(pictureX + 2, pictureY); }

  // Every complete line sent so far, CR LF removed.
  const Lines& Sent() {
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
    return lines_;
  }

  HANDLE read_ = nullptr;
  HANDLE write_ = nullptr;
  std::string wire_;
  Lines lines_;
  std::vector<std::string> boxes_;
};

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
  for (int slot : {VolumeUp, 34 /* digit 3 */, 48 /* Zone */}) {
    const int x0 = KeyTable[slot].X, y0 = KeyTable[slot].Y;
    SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, At(x0, y0));
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
    SendMessageA(window, WM_LBUTTONUP, 0, At(x0, y0));
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
    SendMessageA(Window(), WM_LBUTTONDOWN, MK_LBUTTON, At(c.X, c.Y));
    SendMessageA(Window(), WM_LBUTTONUP, 0, At(c.X, c.Y));
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
