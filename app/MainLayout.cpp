// The stored layout of the main window: every component in stored order with
// the properties that differ from their defaults, and its event bindings.
#include "app/MainForm.h"

namespace {

TFont WindowFont() {
  TFont font;
  font.Name = "MS Sans Serif";
  font.Height = 10;
  return font;
}

TFont TerminalFont() {
  TFont font;
  font.Name = "Courier";
  font.Height = 11;
  font.Bold = true;
  font.Pitch = TFontPitch::Fixed;
  font.CharSet = ANSI_CHARSET;
  font.Color = RGB(0, 0, 0);
  return font;
}

}  // namespace

void DescribeMainLayout(TLayoutBuilder& b) {
  // Controls, drawn in this order.
  b.Image("Keypad").Bounds(2, 0, 202, 628).Picture("KEYPAD")
      .OnMouseDown("KeypadMouseDown").OnMouseUp("KeypadMouseUp")
      .CaptureAnyButton().OnCaptureLost("KeypadCaptureLost");
  b.Shape("Shape1").Bounds(16, 27, 10, 10).Circle().Brush(RGB(255, 0, 0)).Visible(false);
  b.Shape("Contact").Bounds(16, 27, 10, 10).Circle().Brush(RGB(128, 255, 128)).Visible(false);
  b.Shape("Snap").Bounds(165, 12, 16, 16).Circle().Brush(RGB(255, 0, 0)).Visible(false);
  b.Memo("CommBuff").Bounds(2, 632, 202, 133).Font(TerminalFont()).Visible(false)
      .OnKeyPress("CommBuffKeyPress");

  // The menu bar.
  b.MainMenu("Menu");
  b.MenuItem("MenuSet", "Menu").Caption("&Settings");
  b.MenuItem("MenuZone", "MenuSet").Caption("&Control");
  b.MenuItem("MenuZone1", "MenuZone").Caption("&Main").Tag(1).GroupIndex(2).RadioItem(true)
      .OnClick("MenuZoneClick");
  b.MenuItem("MenuZone2", "MenuZone").Caption("&Zone").Tag(2).GroupIndex(2).RadioItem(true)
      .OnClick("MenuZoneClick");
  b.MenuItem("MenuTerm", "MenuSet").Caption("&Terminal");
  b.MenuItem("MenuVisible", "MenuTerm").Caption("&Visible").OnClick("MenuVisibleClick");
  b.MenuItem("MenuErase", "MenuTerm").Caption("&Clear").Checked(true).OnClick("MenuEraseClick");
  b.MenuItem("MenuPort", "MenuSet").Caption("&Port");
  const char* const ports[] = {"MenuCOM1", "MenuCOM2", "MenuCOM3", "MenuCOM4",
                               "MenuCOM5", "MenuCOM6", "MenuCOM7", "MenuCOM8"};
  for (int n = 1; n <= 8; ++n) {
    b.MenuItem(ports[n - 1], "MenuPort").Caption("COM&" + std::to_string(n)).Tag(n).GroupIndex(1)
        .RadioItem(true).OnClick("MenuCOMClick");
  }
  b.MenuItem("MenuVersion", "Menu").Caption("&Version");
  b.MenuItem("MenuVersionID", "MenuVersion");

  // Timers.
  b.Timer("SnapTimer").Enabled(false).Interval(30).OnTimer("SnapTimerEvent");
  b.Timer("RepeatTimer").Enabled(false).OnTimer("RepeatTimerEvent");
  b.Timer("EraseTimer").Enabled(false).Interval(5000).OnTimer("EraseTimerEvent");

  // The window itself.
  b.Form().Caption(ProgramTitle).Bounds(0, 120, 215, 813)
      .BorderIcons(biSystemMenu | biMinimize).Font(WindowFont()).Icon("MAINICON").Menu("Menu")
      .Visible(true).OnCreate("MainCreate").OnResize("FormResize");
}
