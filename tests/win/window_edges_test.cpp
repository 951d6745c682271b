// The window where real Windows differs from the happy path: a message box
// opened while another window (or none) is active belongs to the main
// window all the same (one raised inside another box's loop, to that box), and a form's menu bar is detached before the form's
// window goes, so the bar is destroyed once, by its menu component; and a
// form's window class registered elsewhere first is the framework's all the same.
#include <gtest/gtest.h>

#include <atomic>
#include <utility>
#include <thread>

#include "app/MainForm.h"
#include "framework/Application.h"
#include "framework/Dialogs.h"
#include "framework/Forms.h"
#include "framework/Mailbox.h"
#include "framework/Menus.h"
#include "link/SendLine.h"
#include "link/SerialPort.h"
#include "support/MainWindow.h"
#include "support/Pump.h"

namespace {

// What a box looked like while it was up, seen from another thread.
struct BoxSeen {
  std::atomic<HWND> Box{nullptr};
  std::atomic<HWND> Owner{nullptr};
  std::atomic<bool> MainEnabled{true};
};

// Waits for the box captioned `caption` to appear, notes its owner and the
// main window's state, then presses its OK button.
std::thread AnswerBox(const char* caption, HWND main, BoxSeen& seen) {
  return std::thread([caption, main, &seen] {
    const DWORD start = GetTickCount();
    HWND box = nullptr;
    while (!box && GetTickCount() - start < 10000) {
      box = FindWindowA("#32770", caption);
      if (!box) Sleep(10);
    }
    if (!box) return;
    seen.Owner = GetWindow(box, GW_OWNER);
    seen.MainEnabled = IsWindowEnabled(main) != FALSE;
    seen.Box = box;
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  });
}

// First in the file, before any form exists: a form's class that other code
// registered first, with a procedure of its own, is taken over, so the form
// still hears its window; and the framework reads no object out of a window
// that is not its own, whatever that window keeps in its user data.
TEST(WindowClasses, AFormsClassRegisteredElsewhereIsTakenOverAndForeignWindowsHaveNoControl) {
  WNDCLASSA foreign{};
  foreign.lpfnWndProc = &DefWindowProcA;
  foreign.hInstance = GetModuleHandleA(nullptr);
  foreign.lpszClassName = "TOrvantForm";
  ASSERT_NE(RegisterClassA(&foreign), 0);
  auto* form = new TForm(nullptr);
  const HWND window = form->Handle();
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(TWinControl::FromHandle(window), form);

  const HWND other = CreateWindowExA(0, "STATIC", "", WS_CHILD, 0, 0, 10, 10, window, nullptr,
                                     GetModuleHandleA(nullptr), nullptr);
  SetWindowLongPtrA(other, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
  EXPECT_EQ(TWinControl::FromHandle(other), nullptr);
  delete form;
}

class WindowEdges : public testing::Test {
protected:
  static void SetUpTestSuite() { EnsureMainWindow(); }
  void SetUp() override { ClosePort(); }
};

TEST_F(WindowEdges, TheSelectPortBoxBelongsToTheMainWindowWhateverIsActive) {
  const HWND main = Main->Handle();
  // Another top-level window of this program in front, then none at all.
  const HWND other = CreateWindowExA(0, "STATIC", "another window", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0,
                                     0, 200, 100, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(other, nullptr);
  for (const bool noneActive : {false, true}) {
    SCOPED_TRACE(noneActive ? "no window active" : "another window active");
    if (noneActive) {
      SetActiveWindow(nullptr);
      SetFocus(nullptr);
    } else {
      SetActiveWindow(other);
    }
    PumpFor(20);
    BoxSeen seen;
    std::thread answer = AnswerBox("Orvant Remote", main, seen);
    EXPECT_FALSE(PortReady());
    answer.join();
    ASSERT_NE(seen.Box.load(), nullptr) << "no box appeared";
    EXPECT_EQ(seen.Owner.load(), main);
    EXPECT_FALSE(seen.MainEnabled);
    EXPECT_TRUE(IsWindowEnabled(main));
    PumpFor(20);
    if (noneActive) {
      EXPECT_EQ(GetActiveWindow(), main);
    }
  }
  // Where the box would stand, its owner is still enabled (the box disables
  // it and enables it again before it goes) and the other window is not.
  std::pair<BOOL, BOOL> enabled;
  SetMessageBoxHook([&](auto&&...) {
    enabled = {IsWindowEnabled(main), IsWindowEnabled(other)};
    return IDOK;
  });
  EXPECT_FALSE(PortReady());
  SetMessageBoxHook(nullptr);
  EXPECT_EQ(enabled, std::make_pair(TRUE, FALSE)) << "owner, other window";
  EXPECT_TRUE(IsWindowEnabled(main) && IsWindowEnabled(other));
  DestroyWindow(other);
}

// A box raised from inside another box's loop (by a unit of the mailbox, as
// the link's reports are) belongs to that box, the window the user is on: it
// stays enabled where the new box would stand, the new box disables it and
// enables it again as it goes, and the main window stays disabled by the
// first box throughout. (A box owned by the main window, which the first box
// keeps disabled, would go with its owner still disabled, and Windows would
// then activate another program's window; Wine enables the owner instead.)
TEST_F(WindowEdges, ABoxRaisedInsideAnotherBoxBelongsToIt) {
  const HWND main = Main->Handle();
  BoxSeen first, second;
  std::thread answer([&] {
    AnswerBox("second", main, second).join();
    const DWORD start = GetTickCount();
    while (FindWindowA("#32770", "second") && GetTickCount() - start < 10000) Sleep(10);
    AnswerBox("first", main, first).join();
  });
  HWND firstBox = nullptr;
  BOOL firstEnabledWhereTheSecondStands = FALSE;
  std::pair<BOOL, BOOL> afterSecond{};
  PostToMainThread([&] {
    firstBox = FindWindowA("#32770", "first");
    SetMessageBoxHook([&](auto&&...) {
      firstEnabledWhereTheSecondStands = IsWindowEnabled(firstBox);
      return IDOK;
    });
    ShowModalBox("stood in for", "second", MB_OK);
    SetMessageBoxHook(nullptr);
    ShowModalBox("raised inside the first box", "second", MB_OK);
    afterSecond = {IsWindowEnabled(firstBox), IsWindowEnabled(main)};
  });
  ShowModalBox("up first", "first", MB_OK);
  answer.join();
  ASSERT_NE(firstBox, nullptr) << "the unit did not run inside the first box";
  EXPECT_TRUE(firstEnabledWhereTheSecondStands);
  EXPECT_EQ(second.Owner.load(), firstBox) << "the main window is " << main;
  EXPECT_EQ(afterSecond, std::make_pair(TRUE, FALSE)) << "first box, main window, after the second";
  EXPECT_EQ(first.Owner.load(), main);
  EXPECT_TRUE(IsWindowEnabled(main));
}

// Records whether the window still had its menu bar when it went.
HMENU MenuAtDestroy = nullptr;
WNDPROC FormProc = nullptr;
LRESULT CALLBACK WatchDestroy(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_DESTROY) MenuAtDestroy = GetMenu(hwnd);
  return CallWindowProcA(FormProc, hwnd, msg, wParam, lParam);
}

TEST_F(WindowEdges, AFormsMenuBarIsDetachedBeforeItsWindowGoes) {
  auto* form = new TForm(nullptr);
  auto* menu = new TMainMenu(form);
  auto* entry = new TMenuItem(form);
  entry->SetCaption("&Entry");
  menu->Items()->Add(entry);
  form->SetMenu(menu);
  const HWND window = form->Handle();
  const HMENU bar = GetMenu(window);
  ASSERT_NE(bar, nullptr);
  FormProc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WatchDestroy)));
  MenuAtDestroy = bar;

  delete form;
  EXPECT_FALSE(IsWindow(window));
  // A bar still attached would go with the window, and the menu component
  // would then destroy a handle that no longer exists.
  EXPECT_EQ(MenuAtDestroy, nullptr);
  EXPECT_FALSE(IsMenu(bar)) << "the menu component destroys its bar";
}

}  // namespace
