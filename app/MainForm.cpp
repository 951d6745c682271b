#include "app/MainForm.h"

#include <map>

#include "app/Geometry.h"

TMain* Main = nullptr;
const char* const ProgramVersion = "1.02";

TMain::TMain(TComponent* owner) : TForm(owner) {
  LoadLayout(this, &DescribeMainLayout);
  BindComponents();
}

void TMain::BindComponents() {
  CommBuff = FindRequired<TMemo>(this, "CommBuff");
  Menu = FindRequired<TMainMenu>(this, "Menu");
  MenuZone = FindRequired<TMenuItem>(this, "MenuZone");
  MenuZone1 = FindRequired<TMenuItem>(this, "MenuZone1");
  MenuZone2 = FindRequired<TMenuItem>(this, "MenuZone2");
  MenuSet = FindRequired<TMenuItem>(this, "MenuSet");
  MenuVisible = FindRequired<TMenuItem>(this, "MenuVisible");
  MenuPort = FindRequired<TMenuItem>(this, "MenuPort");
  MenuCOM1 = FindRequired<TMenuItem>(this, "MenuCOM1");
  MenuCOM2 = FindRequired<TMenuItem>(this, "MenuCOM2");
  MenuCOM3 = FindRequired<TMenuItem>(this, "MenuCOM3");
  MenuCOM4 = FindRequired<TMenuItem>(this, "MenuCOM4");
  Snap = FindRequired<TShape>(this, "Snap");
  SnapTimer = FindRequired<TTimer>(this, "SnapTimer");
  RepeatTimer = FindRequired<TTimer>(this, "RepeatTimer");
  MenuTerm = FindRequired<TMenuItem>(this, "MenuTerm");
  MenuErase = FindRequired<TMenuItem>(this, "MenuErase");
  EraseTimer = FindRequired<TTimer>(this, "EraseTimer");
  Keypad = FindRequired<TImage>(this, "Keypad");
  MenuVersion = FindRequired<TMenuItem>(this, "MenuVersion");
  MenuVersionID = FindRequired<TMenuItem>(this, "MenuVersionID");
  MenuCOM5 = FindRequired<TMenuItem>(this, "MenuCOM5");
  MenuCOM6 = FindRequired<TMenuItem>(this, "MenuCOM6");
  MenuCOM7 = FindRequired<TMenuItem>(this, "MenuCOM7");
  MenuCOM8 = FindRequired<TMenuItem>(this, "MenuCOM8");
  Contact = FindRequired<TShape>(this, "Contact");
  Shape1 = FindRequired<TShape>(this, "Shape1");
}

TMethodBinding TMain::FindMethod(const std::string& name) {
  using Notify = void (TMain::*)(TObject*);
  using Mouse = void (TMain::*)(TObject*, TMouseButton, TShiftState, int, int);
  using KeyPress = void (TMain::*)(TObject*, char&);
  static const std::map<std::string, Notify> notify = {
      {"MenuCOMClick", &TMain::MenuCOMClick},       {"SnapTimerEvent", &TMain::SnapTimerEvent},
      {"RepeatTimerEvent", &TMain::RepeatTimerEvent}, {"MainCreate", &TMain::MainCreate},
      {"KeypadCaptureLost", &TMain::KeypadCaptureLost},
      {"MenuZoneClick", &TMain::MenuZoneClick},     {"MenuVisibleClick", &TMain::MenuVisibleClick},
      {"MenuEraseClick", &TMain::MenuEraseClick},   {"EraseTimerEvent", &TMain::EraseTimerEvent},
      {"FormResize", &TMain::FormResize},
  };
  static const std::map<std::string, Mouse> mouse = {
      {"KeypadMouseDown", &TMain::KeypadMouseDown},
      {"KeypadMouseUp", &TMain::KeypadMouseUp},
  };
  static const std::map<std::string, KeyPress> keys = {
      {"CommBuffKeyPress", &TMain::CommBuffKeyPress},
  };
  TMethodBinding binding;
  if (auto it = notify.find(name); it != notify.end()) {
    Notify m = it->second;
    binding.Notify = [this, m](TObject* sender) { (this->*m)(sender); };
  } else if (auto it = mouse.find(name); it != mouse.end()) {
    Mouse m = it->second;
    binding.Mouse = [this, m](TObject* sender, TMouseButton button, TShiftState shift, int x,
                              int y) { (this->*m)(sender, button, shift, x, y); };
  } else if (auto it = keys.find(name); it != keys.end()) {
    KeyPress m = it->second;
    binding.KeyPress = [this, m](TObject* sender, char& key) { (this->*m)(sender, key); };
  } else {
    return TForm::FindMethod(name);
  }
  return binding;
}

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
