// The main window as the program builds it: title, geometry on the test
// screen (1280 x 1024), the menus at start-up, the resize rule driven through
// the real window, the radio rule and the exception box.
#include <gtest/gtest.h>
#include <windows.h>
#include <winver.h>

#include <string>
#include <vector>

#include "app/MainForm.h"
#include "framework/Application.h"
#include "framework/Dialogs.h"
#include "support/MainWindow.h"
#include "support/Pump.h"

namespace {

class MainWindow : public testing::Test {
protected:
  static void SetUpTestSuite() { EnsureMainWindow(); }
  HWND Window() { return Main->Handle(); }

  RECT Outer() {
    RECT r;
    GetWindowRect(Window(), &r);
    return r;
  }

  // What a user's drag of the frame does: the system resizes the window.
  void Drag(int width, int height) {
    SetWindowPos(Window(), nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER);
    PumpFor(20);
  }

  int MemoHeight() {
    RECT r;
    GetWindowRect(Main->CommBuff->Handle(), &r);
    return r.bottom - r.top;
  }

  void Choose(TMenuItem* item) {
    SendMessageA(Window(), WM_COMMAND, MAKEWPARAM(item->Command(), 0), 0);
  }
};

struct NativeItem {
  std::string Caption;
  UINT Type;
  UINT State;
  HMENU Submenu;
};

NativeItem ReadItem(HMENU menu, UINT position) {
  char text[64] = {};
  MENUITEMINFOA info{};
  info.cbSize = sizeof(info);
  info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_STRING | MIIM_SUBMENU;
  info.dwTypeData = text;
  info.cch = sizeof(text) - 1;
  EXPECT_TRUE(GetMenuItemInfoA(menu, position, TRUE, &info));
  return NativeItem{text, info.fType, info.fState, info.hSubMenu};
}

TEST_F(MainWindow, HasTitleAndStartsCentredAtCompactSize) {
  char caption[64] = {};
  GetWindowTextA(Window(), caption, sizeof(caption));
  EXPECT_STREQ(caption, "Orvant Remote");
  ASSERT_EQ(GetSystemMetrics(SM_CXSCREEN), 1280) << "tests expect the 1280 x 1024 test screen";
  ASSERT_EQ(GetSystemMetrics(SM_CYSCREEN), 1024);
  const RECT r = Outer();
  EXPECT_EQ(r.left, 533);
  EXPECT_EQ(r.top, 78);
  EXPECT_EQ(r.right - r.left, 215);
  EXPECT_EQ(r.bottom - r.top, 677);
  EXPECT_TRUE(IsWindowVisible(Window()));
}

TEST_F(MainWindow, HasSystemMenuAndMinimiseButtonButNoMaximise) {
  const LONG_PTR style = GetWindowLongPtrA(Window(), GWL_STYLE);
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_TRUE(style & WS_MINIMIZEBOX);
  EXPECT_FALSE(style & WS_MAXIMIZEBOX);
  EXPECT_TRUE(style & WS_THICKFRAME);
  EXPECT_FALSE(style & (WS_HSCROLL | WS_VSCROLL));
}

TEST_F(MainWindow, StartsWithOnlyThePictureShownAndTimersStopped) {
  EXPECT_TRUE(Main->Keypad->Visible());
  EXPECT_FALSE(Main->Snap->Visible());
  EXPECT_FALSE(Main->Shape1->Visible());
  EXPECT_FALSE(Main->Contact->Visible());
  EXPECT_FALSE(Main->CommBuff->Visible());
  EXPECT_FALSE(IsWindowVisible(Main->CommBuff->Handle()));
  EXPECT_EQ(Main->CommBuff->Lines()->Count(), 0);
  EXPECT_FALSE(Main->SnapTimer->Enabled());
  EXPECT_EQ(Main->SnapTimer->Interval(), 30u);
  EXPECT_FALSE(Main->RepeatTimer->Enabled());
  EXPECT_EQ(Main->RepeatTimer->Interval(), 1000u);
  EXPECT_FALSE(Main->EraseTimer->Enabled());  // its interval: TerminalPane.CountdownClears...
  // The picture at its natural size from (2, 0), 202 pixels of it shown.
  EXPECT_EQ(Main->Keypad->Left(), 2);
  EXPECT_EQ(Main->Keypad->Top(), 0);
  EXPECT_EQ(Main->Keypad->Width(), 202);
  EXPECT_EQ(Main->Keypad->PictureSize().cx, 203);
  EXPECT_EQ(Main->Keypad->PictureSize().cy, 628);
}

TEST_F(MainWindow, MenusStartAsStoredAndAsStartUpLeavesThem) {
  struct Expect {
    TMenuItem* Item;
    bool Checked;
    bool Enabled;
  };
  const Expect items[] = {
      {Main->MenuZone1, true, true},  {Main->MenuZone2, false, true},
      {Main->MenuVisible, false, true}, {Main->MenuErase, true, false},
      {Main->MenuCOM1, false, true},  {Main->MenuCOM8, false, true},
  };
  for (const auto& e : items) {
    EXPECT_EQ(e.Item->Checked(), e.Checked) << e.Item->Caption();
    EXPECT_EQ(e.Item->Enabled(), e.Enabled) << e.Item->Caption();
  }
  EXPECT_EQ(Main->MenuVersionID->Caption(), "1.02");

  // The same state in the window's own menu bar.
  HMENU bar = GetMenu(Window());
  ASSERT_NE(bar, nullptr);
  ASSERT_EQ(GetMenuItemCount(bar), 2);
  const NativeItem settings = ReadItem(bar, 0);
  const NativeItem version = ReadItem(bar, 1);
  EXPECT_EQ(settings.Caption, "&Settings");
  EXPECT_EQ(version.Caption, "&Version");
  EXPECT_EQ(ReadItem(version.Submenu, 0).Caption, "1.02");

  ASSERT_EQ(GetMenuItemCount(settings.Submenu), 3);
  const NativeItem control = ReadItem(settings.Submenu, 0);
  const NativeItem terminal = ReadItem(settings.Submenu, 1);
  const NativeItem port = ReadItem(settings.Submenu, 2);
  EXPECT_EQ(control.Caption, "&Control");
  EXPECT_EQ(terminal.Caption, "&Terminal");
  EXPECT_EQ(port.Caption, "&Port");

  const NativeItem zone1 = ReadItem(control.Submenu, 0);
  const NativeItem zone2 = ReadItem(control.Submenu, 1);
  EXPECT_EQ(zone1.Caption, "&Main");
  EXPECT_TRUE(zone1.Type & MFT_RADIOCHECK);
  EXPECT_TRUE(zone1.State & MFS_CHECKED);
  EXPECT_EQ(zone2.Caption, "&Zone");
  EXPECT_FALSE(zone2.State & MFS_CHECKED);

  const NativeItem visible = ReadItem(terminal.Submenu, 0);
  const NativeItem clear = ReadItem(terminal.Submenu, 1);
  EXPECT_EQ(visible.Caption, "&Visible");
  EXPECT_FALSE(visible.Type & MFT_RADIOCHECK);
  EXPECT_FALSE(visible.State & MFS_CHECKED);
  EXPECT_EQ(clear.Caption, "&Clear");
  EXPECT_TRUE(clear.State & MFS_CHECKED);
  EXPECT_TRUE(clear.State & MFS_DISABLED);

  ASSERT_EQ(GetMenuItemCount(port.Submenu), 8);
  for (UINT n = 0; n < 8; ++n) {
    const NativeItem com = ReadItem(port.Submenu, n);
    EXPECT_EQ(com.Caption, "COM&" + std::to_string(n + 1));
    EXPECT_TRUE(com.Type & MFT_RADIOCHECK);
    EXPECT_FALSE(com.State & MFS_CHECKED);
  }
}

TEST_F(MainWindow, ResizeRuleFollowsTheDraggedHeight) {
  struct Case {
    int Width, Height;
    bool Shown;
    int OuterHeight, Memo;
  };
  const Case cases[] = {
      {215, 690, false, 677, -1}, {215, 698, true, 698, 17},   {215, 900, true, 900, 219},
      {300, 900, true, 900, 219}, {215, 697, false, 677, -1},  {100, 677, false, 677, -1},
  };
  for (const auto& c : cases) {
    Drag(c.Width, c.Height);
    const RECT r = Outer();
    EXPECT_EQ(r.right - r.left, 215) << c.Height;
    EXPECT_EQ(r.bottom - r.top, c.OuterHeight) << c.Height;
    EXPECT_EQ(Main->MenuVisible->Checked(), c.Shown) << c.Height;
    EXPECT_EQ(Main->MenuErase->Enabled(), c.Shown) << c.Height;
    EXPECT_EQ(IsWindowVisible(Main->CommBuff->Handle()) != FALSE, c.Shown) << c.Height;
    if (c.Shown) {
      EXPECT_EQ(MemoHeight(), c.Memo) << c.Height;
    }
  }
}

TEST_F(MainWindow, VisibleTogglesBetweenCompactAndMenuHeight) {
  Drag(215, 900);
  ASSERT_TRUE(Main->MenuVisible->Checked());
  Choose(Main->MenuVisible);
  EXPECT_FALSE(Main->MenuVisible->Checked());
  EXPECT_EQ(Outer().bottom - Outer().top, 677);
  EXPECT_FALSE(IsWindowVisible(Main->CommBuff->Handle()));
  Choose(Main->MenuVisible);
  EXPECT_TRUE(Main->MenuVisible->Checked());
  EXPECT_EQ(Outer().bottom - Outer().top, 817);  // the menu's height, not the dragged 900
  EXPECT_TRUE(IsWindowVisible(Main->CommBuff->Handle()));
  EXPECT_EQ(MemoHeight(), 136);
  // The memo spans the client rows 632 to 767.
  RECT memo;
  GetWindowRect(Main->CommBuff->Handle(), &memo);
  MapWindowPoints(HWND_DESKTOP, Window(), reinterpret_cast<POINT*>(&memo), 2);
  EXPECT_EQ(memo.top, 632);
  EXPECT_EQ(memo.bottom, 768);
  EXPECT_EQ(memo.left, 2);
  EXPECT_EQ(memo.right, 204);
  Choose(Main->MenuVisible);
  EXPECT_EQ(Outer().bottom - Outer().top, 677);
}

TEST_F(MainWindow, RadioItemsClearTheirGroupOnly) {
  Main->MenuCOM2->SetChecked(true);
  Main->MenuCOM5->SetChecked(true);
  EXPECT_TRUE(Main->MenuCOM5->Checked());
  EXPECT_FALSE(Main->MenuCOM2->Checked());
  EXPECT_TRUE(Main->MenuZone1->Checked()) << "another group is left alone";
  EXPECT_TRUE(Main->MenuErase->Checked()) << "a plain check item is left alone";

  // Clearing a radio item clears the rest of its group too.
  Main->MenuCOM5->SetChecked(false);
  for (TMenuItem* com : {Main->MenuCOM1, Main->MenuCOM2, Main->MenuCOM5, Main->MenuCOM8}) {
    EXPECT_FALSE(com->Checked()) << com->Caption();
  }

  // Choosing a zone moves the mark; choosing it again changes nothing.
  Choose(Main->MenuZone2);
  EXPECT_TRUE(Main->MenuZone2->Checked());
  EXPECT_FALSE(Main->MenuZone1->Checked());
  Choose(Main->MenuZone2);
  EXPECT_TRUE(Main->MenuZone2->Checked());
  Choose(Main->MenuZone1);
  EXPECT_TRUE(Main->MenuZone1->Checked());
  EXPECT_FALSE(Main->MenuZone2->Checked());
}

TEST_F(MainWindow, VersionItemDoesNothing) {
  const RECT before = Outer();
  Choose(Main->MenuVersionID);
  const RECT after = Outer();
  EXPECT_EQ(Main->MenuVersionID->Caption(), "1.02");
  EXPECT_FALSE(Main->MenuVersionID->Checked());
  EXPECT_TRUE(EqualRect(&before, &after));
}

// The program's version resource and manifest (linked into this test program
// as into the product) carry the version the menu shows.
TEST_F(MainWindow, VersionResourceAndManifestCarryTheMenusVersion) {
  char path[MAX_PATH];
  ASSERT_GT(GetModuleFileNameA(nullptr, path, MAX_PATH), 0u);
  std::vector<char> info(GetFileVersionInfoSizeA(path, nullptr));
  ASSERT_FALSE(info.empty());
  ASSERT_TRUE(GetFileVersionInfoA(path, 0, info.size(), info.data()));
  void* value = nullptr;
  UINT size = 0;
  ASSERT_TRUE(VerQueryValueA(info.data(), "\\", &value, &size));
  const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
  EXPECT_EQ(fixed->dwFileVersionMS, MAKELONG(2, 1));
  EXPECT_EQ(fixed->dwFileVersionLS, 0u);
  EXPECT_EQ(fixed->dwProductVersionMS, MAKELONG(2, 1));
  EXPECT_EQ(fixed->dwProductVersionLS, 0u);
  for (const char* name : {"FileVersion", "ProductVersion"}) {
    const std::string query = std::string("\\StringFileInfo\\040904E4\\") + name;
    ASSERT_TRUE(VerQueryValueA(info.data(), query.c_str(), &value, &size)) << name;
    EXPECT_STREQ(static_cast<const char*>(value), "1.02") << name;
  }

  HRSRC found = FindResourceA(nullptr, CREATEPROCESS_MANIFEST_RESOURCE_ID, RT_MANIFEST);
  ASSERT_NE(found, nullptr);
  const std::string manifest(static_cast<const char*>(LockResource(LoadResource(nullptr, found))),
                             SizeofResource(nullptr, found));
  EXPECT_NE(manifest.find("name=\"Orvant.Remote\" version=\"1.2.0.0\""), std::string::npos)
      << manifest;
}

TEST(ExceptionBox, AppendsAFullStopWhateverTheMessageEndsWith) {
  EXPECT_EQ(TApplication::ExceptionBoxText("Not enough timers available"),
            "Not enough timers available.");
  EXPECT_EQ(TApplication::ExceptionBoxText("Done."), "Done..");
  EXPECT_EQ(TApplication::ExceptionBoxText(""), ".");
}

TEST(ExceptionBox, ShowsTheMessageUnderTheTitleWithStopIconAndOk) {
  Application->Title = "Orvant Remote";
  struct Box {
    std::string Text, Caption;
    UINT Flags;
  };
  std::vector<Box> boxes;
  SetMessageBoxHook([&](const std::string& text, const std::string& caption, UINT flags) {
    boxes.push_back({text, caption, flags});
    return IDOK;
  });
  try {
    throw EOutOfResources("Not enough timers available");
  } catch (...) {
    Application->HandleException(nullptr);
  }
  try {
    throw EAbort();
  } catch (...) {
    Application->HandleException(nullptr);  // the silent one: no box
  }
  SetMessageBoxHook(nullptr);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].Text, "Not enough timers available.");
  EXPECT_EQ(boxes[0].Caption, "Orvant Remote");
  EXPECT_EQ(boxes[0].Flags & MB_ICONMASK, static_cast<UINT>(MB_ICONSTOP));
  EXPECT_EQ(boxes[0].Flags & MB_TYPEMASK, static_cast<UINT>(MB_OK));
}

}  // namespace
