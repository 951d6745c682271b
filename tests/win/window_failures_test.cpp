// Every failure the platform can hand the window side, tried in turn through
// the table of platform calls: making windows, timers, menus, pictures, the
// drawing of a frame and boxes. Each row fails one call while one thing is
// done, and says what must come of it: the error the user sees (raised as the
// framework's exception, which the application shows in its box), or nothing
// at all; then the same thing done again with the platform back works, and
// no handle the program made is left open. docs/failures.md is the
// inventory these rows walk.
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/MainForm.h"
#include "framework/Application.h"
#include "framework/Dialogs.h"
#include "framework/ExtCtrls.h"
#include "framework/Forms.h"
#include "framework/Memo.h"
#include "framework/Menus.h"
#include "framework/SysUtils.h"
#include "framework/Timer.h"
#include "framework/UtilWindow.h"
#include "support/MainWindow.h"
#include "support/PlatformFaults.h"
#include "support/Pump.h"

namespace {

// A menu bar of one entry with a submenu of two radio items.
struct TestMenu {
  TestMenu() : Bar(new TMainMenu(nullptr)) {
    Top = new TMenuItem(Bar.get());
    Top->SetCaption("&Settings");
    Bar->Items()->Add(Top);
    for (TMenuItem*& item : Items) {
      item = new TMenuItem(Bar.get());
      item->SetCaption("COM");
      item->RadioItem = true;
      item->GroupIndex = 1;
      Top->Add(item);
    }
  }
  std::unique_ptr<TMainMenu> Bar;
  TMenuItem* Top;
  TMenuItem* Items[2];
};

// The check mark the native menu shows for an item.
bool NativeChecked(TMainMenu& bar, TMenuItem* item) {
  MENUITEMINFOA info{};
  info.cbSize = sizeof info;
  info.fMask = MIIM_STATE;
  const HMENU sub = GetSubMenu(bar.Handle(), 0);
  return GetMenuItemInfoA(sub, item->Command(), FALSE, &info) && (info.fState & MFS_CHECKED) != 0;
}

// What a row does; it raises what the program raises.
using Action = std::function<void()>;

struct Row {
  const char* Name;
  TCallFailure Failure;
  Action Do;
  std::string Raised;  // the exception's message, "" for none
  std::function<bool()> Holds = nullptr;  // checked after the action, failure still armed
  Action Again = nullptr;                  // the action with the platform back (default: Do)
};

void MakeTimer() { TTimer timer(nullptr); }

void MakeUtilWindowOfNewClass() {
  static int n = 0;
  const std::string name = "TFailureProbe" + std::to_string(++n);
  DeallocateUtilWindow(AllocateUtilWindow([](HWND h, UINT m, WPARAM w, LPARAM l) { return DefWindowProcA(h, m, w, l); },
                                          name.c_str()));
}

void MakeMemo() {
  TForm form(nullptr);
  form.SetBounds(20, 20, 300, 200);
  auto* memo = new TMemo(&form);
  memo->SetBounds(5, 5, 200, 100);
  memo->SetParent(&form);
  form.AfterConstruction();
  if (!memo->Handle()) throw Exception("no memo");
}

void BuildMenu() {
  TestMenu menu;
  if (!menu.Bar->Handle()) throw Exception("no menu bar");
}

// A form with a menu bar, made and shown.
void MakeFormWithMenu() {
  TestMenu menu;
  TForm form(nullptr);
  form.SetBounds(20, 20, 300, 200);
  form.SetMenu(menu.Bar.get());
  form.AfterConstruction();
  if (GetMenu(form.Handle()) != menu.Bar->Handle()) throw Exception("no menu bar on the window");
  form.SetMenu(nullptr);
}

// A form with an icon, made; it shows the icon it could load.
void MakeFormWithIcon(bool expectIcon) {
  TForm form(nullptr);
  form.IconResource = "MAINICON";
  form.AfterConstruction();
  const bool shown = SendMessageA(form.Handle(), WM_GETICON, ICON_BIG, 0) != 0;
  if (shown != expectIcon) throw Exception(expectIcon ? "no icon" : "an icon that was never loaded");
}

// The marker shown, so a frame draws it too.
void ShowMarker() { Main->Snap->SetVisible(true); }

// Fires at its interval while enabled; once disabled, never again, also when
// the platform does not kill its timer.
bool DisabledTimerStaysQuiet() {
  TTimer timer(nullptr);
  int fired = 0;
  timer.SetInterval(20);
  timer.SetOnTimer([&](TObject*) { ++fired; });
  if (!PumpUntil([&] { return fired >= 2; }, 5000)) return false;
  timer.SetEnabled(false);
  const int before = fired;
  PumpFor(150);
  return fired == before;
}

// What a frame drawn with the platform back shows at a point of the keypad
// picture; taken before the rows run.
COLORREF KeypadPixel = CLR_INVALID;

COLORREF DrawnKeypadPixel() {
  // Painted over first, so only a frame drawn now can show the picture.
  const HDC screen = GetDC(Main->Handle());
  RECT client;
  GetClientRect(Main->Handle(), &client);
  const HBRUSH probe = CreateSolidBrush(RGB(255, 0, 255));
  FillRect(screen, &client, probe);
  DeleteObject(probe);
  RedrawWindow(Main->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  const COLORREF seen = GetPixel(screen, 2 + 100, 300);
  ReleaseDC(Main->Handle(), screen);
  return seen;
}

// A frame drawn with the platform's drawing objects refused still shows the
// keypad.
bool KeypadDrawn() { return DrawnKeypadPixel() == KeypadPixel; }

bool CheckedItemStaysChecked() {
  TestMenu menu;
  menu.Bar->Handle();
  menu.Items[1]->SetChecked(true);
  if (!menu.Items[1]->Checked()) return false;
  ClearCallFailures();
  // The next change writes each item's whole state, so the mark shows true.
  menu.Items[0]->SetChecked(true);
  return NativeChecked(*menu.Bar, menu.Items[0]) && !NativeChecked(*menu.Bar, menu.Items[1]);
}

const std::vector<Row>& Rows() {
  static const std::vector<Row> rows = {
      {"no window for a timer", {"CreateWindowExA", ERROR_NOT_ENOUGH_MEMORY}, &MakeTimer, "Error creating window"},
      {"no window for a form", {"CreateWindowExA", ERROR_NOT_ENOUGH_MEMORY}, &MakeMemo, "Error creating window"},
      {"no window class", {"RegisterClassA", ERROR_NOT_ENOUGH_MEMORY}, &MakeUtilWindowOfNewClass,
       "Error creating window"},
      {"a control's window unheard", {"SetWindowSubclass", ERROR_NOT_ENOUGH_MEMORY}, &MakeMemo, "Error creating window"},
      {"no font", {"CreateFontA", ERROR_NOT_ENOUGH_MEMORY, 0, 0}, &MakeMemo, ""},
      {"no timer to kill", {"KillTimer", ERROR_INVALID_PARAMETER, 0, 0, true}, [] {}, "", &DisabledTimerStaysQuiet},
      {"no menu bar", {"CreateMenu", ERROR_NOT_ENOUGH_MEMORY}, &BuildMenu, "Error creating menu"},
      {"no submenu", {"CreatePopupMenu", ERROR_NOT_ENOUGH_MEMORY}, &BuildMenu, "Error creating menu"},
      {"an entry refused", {"InsertMenuItemA", ERROR_NOT_ENOUGH_MEMORY, 1}, &BuildMenu, "Error creating menu"},
      {"menu bar refused by the window", {"SetMenu", ERROR_NOT_ENOUGH_MEMORY}, &MakeFormWithMenu,
       "Error creating menu"},
      {"menu bar change refused", {"SetMenu", ERROR_NOT_ENOUGH_MEMORY, 1}, &MakeFormWithMenu, "Error creating menu"},
      {"a mark refused", {"SetMenuItemInfoA", ERROR_INVALID_PARAMETER, 0, 0}, [] {}, "", &CheckedItemStaysChecked},
      {"no icon", {"LoadImageA", ERROR_RESOURCE_DATA_NOT_FOUND}, [] { MakeFormWithIcon(false); }, "", nullptr,
       [] { MakeFormWithIcon(true); }},
      {"no picture", {"LoadImageA", ERROR_RESOURCE_DATA_NOT_FOUND},
       [] {
         TImage image(nullptr);
         image.LoadPictureResource("KEYPAD");
       },
       "Picture resource KEYPAD not found"},
      {"no off-screen frame", {"CreateCompatibleDC", ERROR_NOT_ENOUGH_MEMORY}, [] {}, "", &KeypadDrawn},
      // The picture's own device context: that frame lacks the picture, the
      // next has it.
      {"no device context for the picture", {"CreateCompatibleDC", ERROR_NOT_ENOUGH_MEMORY, 1}, [] {}, "",
       [] { return DrawnKeypadPixel() != CLR_INVALID; }},
      {"no frame bitmap", {"CreateCompatibleBitmap", ERROR_NOT_ENOUGH_MEMORY, 0, 0}, [] {}, "", &KeypadDrawn},
      {"no brush", {"CreateSolidBrush", ERROR_NOT_ENOUGH_MEMORY, 0, 0}, &ShowMarker, "", &KeypadDrawn},
      {"no pen", {"CreatePen", ERROR_NOT_ENOUGH_MEMORY, 0, 0}, &ShowMarker, "", &KeypadDrawn},
      {"common controls refused", {"InitCommonControlsEx", ERROR_INVALID_PARAMETER}, [] { Application->Initialize(); },
       ""},
      {"box refused", {"MessageBoxA", ERROR_NOT_ENOUGH_MEMORY},
       [] {
         if (ShowModalBox("probe", "probe", MB_OK) != 0) throw Exception("a box that was never shown answered");
         if (!IsWindowEnabled(Main->Handle())) throw Exception("the window stayed disabled");
       },
       "", nullptr,
       [] {
         SetMessageBoxHook([](const std::string&, const std::string&, UINT) { return IDOK; });
         const int answer = ShowModalBox("probe", "probe", MB_OK);
         SetMessageBoxHook(nullptr);
         if (answer != IDOK) throw Exception("the box was not answered");
       }},
  };
  return rows;
}

TEST(WindowFailures, EachFailureRaisesWhatTheUserIsToldOrNothingAndTheNextTryWorks) {
  EnsureMainWindow();
  Main->SetVisible(true);
  PumpFor(100);
  KeypadPixel = DrawnKeypadPixel();
  ASSERT_NE(KeypadPixel, CLR_INVALID);
  ASSERT_NE(KeypadPixel, RGB(255, 0, 255));
  const size_t handlesAtStart = OpenHandles();
  for (const Row& row : Rows()) {
    SCOPED_TRACE(row.Name);
    const unsigned calls = CallCount(row.Failure.Call);
    FailCall(row.Failure);
    std::string raised;
    try {
      row.Do();
    } catch (const std::exception& e) {
      raised = e.what();
    }
    EXPECT_EQ(raised, row.Raised);
    EXPECT_TRUE(!row.Holds || row.Holds());
    EXPECT_GT(CallCount(row.Failure.Call), calls) << "the call was not reached";
    EXPECT_TRUE(row.Failure.Times == 0 || FailuresLeft(row.Failure.Call) == 0) << "it did not fail";
    ClearCallFailures();
    // With the platform back, the same works.
    EXPECT_NO_THROW(row.Again ? row.Again() : row.Do());
    EXPECT_TRUE(!row.Holds || row.Holds());
    DWORD_PTR result = 0;
    EXPECT_TRUE(SendMessageTimeoutA(Main->Handle(), WM_NULL, 0, 0, SMTO_NORMAL, 5000, &result));
    EXPECT_EQ(OpenHandles(), handlesAtStart);
  }
  Main->Snap->SetVisible(false);
}

}  // namespace
