// TMain: the program's one window. Its components come from the stored
// layout (MainLayout.cpp); its handlers live beside the code they belong to:
//   app/MainForm.cpp      start-up, geometry, zone and pane visibility; key
//                         press, hold and repeat, forwarded to the keypad;
//                         the Port menu and the marks the link reports
//   app/TerminalPane.cpp  the terminal pane
#pragma once

#include <windows.h>

#include <memory>

#include "framework/ExtCtrls.h"
#include "framework/FormLayout.h"
#include "framework/Forms.h"
#include "framework/Memo.h"
#include "framework/Menus.h"
#include "framework/Timer.h"
#include "keypad/KeypadPress.h"

class TMain : public TForm {
public:
  explicit TMain(TComponent* owner);
  ~TMain() override;

  // Components, stored here by the layout as it creates them. The window
  // owns them all.
  TMemo* CommBuff = nullptr;
  TMainMenu* Menu = nullptr;
  TMenuItem* MenuZone = nullptr;
  TMenuItem* MenuZone1 = nullptr;
  TMenuItem* MenuZone2 = nullptr;
  TMenuItem* MenuSet = nullptr;
  TMenuItem* MenuVisible = nullptr;
  TMenuItem* MenuPort = nullptr;
  TMenuItem* MenuCOM1 = nullptr;
  TMenuItem* MenuCOM2 = nullptr;
  TMenuItem* MenuCOM3 = nullptr;
  TMenuItem* MenuCOM4 = nullptr;
  TShape* Snap = nullptr;
  TTimer* SnapTimer = nullptr;
  TTimer* RepeatTimer = nullptr;
  TMenuItem* MenuTerm = nullptr;
  TMenuItem* MenuErase = nullptr;
  TTimer* EraseTimer = nullptr;
  TImage* Keypad = nullptr;
  TMenuItem* MenuVersion = nullptr;
  TMenuItem* MenuVersionID = nullptr;
  TMenuItem* MenuCOM5 = nullptr;
  TMenuItem* MenuCOM6 = nullptr;
  TMenuItem* MenuCOM7 = nullptr;
  TMenuItem* MenuCOM8 = nullptr;
  TShape* Contact = nullptr;
  TShape* Shape1 = nullptr;

  void CommBuffKeyPress(TObject* Sender, char& Key);
  void MenuCOMClick(TObject* Sender);
  void KeypadMouseUp(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
  void KeypadMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
  void SnapTimerEvent(TObject* Sender);
  void RepeatTimerEvent(TObject* Sender);
  void KeypadCaptureLost(TObject* Sender);
  void MainCreate(TObject* Sender);
  void MenuZoneClick(TObject* Sender);
  void MenuVisibleClick(TObject* Sender);
  void BuffVisible();
  void MenuEraseClick(TObject* Sender);
  void EraseTimerEvent(TObject* Sender);
  void FormResize(TObject* Sender);

private:
  // The Port menu's marks: the entry of the port now open (1 to 8), or none.
  void ShowPortMarks(DWORD port);
  // The zone that key commands address: 1 while Main is checked, else 2.
  int CurrentZone() const;

  // Press, hold and repeat on the keypad; the keypad handlers forward to it.
  std::unique_ptr<TKeypadPress> KeypadPress;
};

// The one main window, set before its construction runs.
extern TMain* Main;

// The stored layout of TMain.
void DescribeMainLayout(TLayout<TMain>& b);

// The program's title: the window's caption, the task-bar button's text and
// the caption of every box the program shows.
constexpr char ProgramTitle[] = "Orvant Remote";

// The version shown in the Version menu.
extern const char* const ProgramVersion;
