#include "app/MainForm.h"

#include <utility>

#include "app/Geometry.h"
#include "app/TerminalPane.h"
#include "framework/Application.h"
#include "framework/Dialogs.h"
#include "link/LinkReports.h"
#include "link/SerialPort.h"

TMain* Main = nullptr;
const char* const ProgramVersion = ORVANT_VERSION_TEXT;

TMain::TMain(TComponent* owner) : TForm(owner) {
  LoadLayout(*this, &DescribeMainLayout);
  KeypadPress = std::make_unique<TKeypadPress>(
      TKeypadParts{*Keypad, *Snap, *SnapTimer, *RepeatTimer, [this] { return CurrentZone(); }});
}

// The link's reports to this window are taken back by the entry (Main.cpp)
// before the process ends; nothing is left to do when the window goes.
TMain::~TMain() = default;

void TMain::MainCreate(TObject*) {
  MenuVersionID->SetCaption(ProgramVersion);
  const geometry::Point at =
      geometry::InitialPlacement(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
  SetTop(at.Top);
  SetLeft(at.Left);
  SetHeight(geometry::CompactHeight);
  SetWidth(geometry::WindowWidth);
  BuffVisible();
  MenuZone1->SetChecked(true);
  // From here on the link reports its lines and its port to this window.
  TLinkReports reports;
  reports.ShowLine = &ShowLine;
  reports.ShowReceived = &ShowReceived;
  reports.PortMarks = [this](DWORD port) { ShowPortMarks(port); };
  reports.NoPort = [] { ShowModalBox("Select COM port (Settings->Port)", Application->Title, MB_OK); };
  InstallLinkReports(std::move(reports));
}

void TMain::BuffVisible() {
  const bool shown = MenuVisible->Checked();
  CommBuff->SetVisible(shown);
  MenuErase->SetEnabled(shown);
  // A compact window gives a negative height; the memo is hidden then, and
  // the window system takes no negative sizes.
  const int h = geometry::MemoHeight(Height());
  CommBuff->SetHeight(h < 0 ? 0 : h);
}

void TMain::MenuVisibleClick(TObject*) {
  MenuVisible->SetChecked(!MenuVisible->Checked());
  SetHeight(MenuVisible->Checked() ? geometry::ExpandedHeight : geometry::CompactHeight);
  BuffVisible();
}

void TMain::FormResize(TObject*) {
  const geometry::ResizeOutcome r = geometry::ApplyResizeRule(Height());
  MenuVisible->SetChecked(r.PaneVisible);
  if (Height() != r.Height) SetHeight(r.Height);
  SetWidth(r.Width);
  BuffVisible();
}

void TMain::MenuZoneClick(TObject* Sender) {
  static_cast<TMenuItem*>(Sender)->SetChecked(true);
}

int TMain::CurrentZone() const { return MenuZone1->Checked() ? 1 : 2; }

// The keypad's handlers: press, hold and repeat live in the keypad
// (keypad/KeypadPress.h); the window only forwards its events there.

void TMain::KeypadMouseDown(TObject*, TMouseButton, TShiftState, int X, int Y) {
  KeypadPress->Press(X, Y);
}

void TMain::KeypadMouseUp(TObject*, TMouseButton, TShiftState, int, int) { KeypadPress->Release(); }

void TMain::KeypadCaptureLost(TObject*) { KeypadPress->CaptureLost(); }

void TMain::SnapTimerEvent(TObject*) { KeypadPress->MarkerTimerFired(); }

void TMain::RepeatTimerEvent(TObject*) { KeypadPress->RepeatTimerFired(); }

// The Port menu: each of the entries COM1 to COM8 opens the port of its own
// number, its Tag; the marks follow what the link reports.

void TMain::MenuCOMClick(TObject* Sender) {
  // The mark is left to what OpenPort reports: it goes on the entry only if
  // its port opened, and every entry is cleared otherwise.
  OpenPort(static_cast<DWORD>(static_cast<TMenuItem*>(Sender)->Tag));
}

void TMain::ShowPortMarks(DWORD port) {
  TMenuItem* const entries[] = {MenuCOM1, MenuCOM2, MenuCOM3, MenuCOM4,
                                MenuCOM5, MenuCOM6, MenuCOM7, MenuCOM8};
  if (port >= 1 && port <= 8) {
    // The radio rule clears the other entries.
    entries[port - 1]->SetChecked(true);
    return;
  }
  for (TMenuItem* entry : entries) entry->SetChecked(false);
}
