// TMain: the program's one window. Its components come from the stored
// layout (MainLayout.cpp); its handlers live beside the code they belong to:
//   app/MainForm.cpp      start-up, geometry, zone and pane visibility
//   app/TerminalPane.cpp  the terminal pane
//   keypad/KeypadEvents.cpp  key press, hold and repeat
//   link/PortMenu.cpp     the Port menu
#pragma once

#include "framework/ExtCtrls.h"
#include "framework/FormLayout.h"
#include "framework/Forms.h"
#include "framework/Memo.h"
#include "framework/Menus.h"
#include "framework/Timer.h"

class TMain : public TForm {
public:
  explicit TMain(TComponent* owner);

  // Components, bound by name from the layout. The window owns them all.
  TMemo* CommBuff;
  TMainMenu* Menu;
  TMenuItem* MenuZone;
  TMenuItem* MenuZone1;
  TMenuItem* MenuZone2;
  TMenuItem* MenuSet;
  TMenuItem* MenuVisible;
  TMenuItem* MenuPort;
  TMenuItem* MenuCOM1;
  TMenuItem* MenuCOM2;
  TMenuItem* MenuCOM3;
  TMenuItem* MenuCOM4;
  TShape* Snap;
  TTimer* SnapTimer;
  TTimer* RepeatTimer;
  TMenuItem* MenuTerm;
  TMenuItem* MenuErase;
  TTimer* EraseTimer;
  TImage* Keypad;
  TMenuItem* MenuVersion;
  TMenuItem* MenuVersionID;
  TMenuItem* MenuCOM5;
  TMenuItem* MenuCOM6;
  TMenuItem* MenuCOM7;
  TMenuItem* MenuCOM8;
  TShape* Contact;
  TShape* Shape1;

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

  TMethodBinding FindMethod(const std::string& name) override;

private:
  void BindComponents();
};

// The one main window, set before its construction runs.
extern TMain* Main;

// The stored layout of TMain.
void DescribeMainLayout(TLayoutBuilder& b);

// The program's title: the window's caption, the task-bar button's text and
// the caption of every box the program shows.
constexpr char ProgramTitle[] = "Orvant Remote";

// The version shown in the Version menu.
extern const char* const ProgramVersion;
