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

void DescribeMainLayout(TLayout<TMain>& b) {
  // Controls, drawn in this order.
  b.Image(&TMain::Keypad).Bounds(2, 0, 202, 628).Picture("KEYPAD")
      .OnMouseDown(&TMain::KeypadMouseDown).OnMouseUp(&TMain::KeypadMouseUp)
      .OnCaptureLost(&TMain::KeypadCaptureLost);
  b.Shape(&TMain::Shape1).Bounds(16, 27, 10, 10).Circle().Brush(RGB(255, 0, 0)).Visible(false);
  b.Shape(&TMain::Contact).Bounds(16, 27, 10, 10).Circle().Brush(RGB(128, 255, 128)).Visible(false);
  b.Shape(&TMain::Snap).Bounds(165, 12, 16, 16).Circle().Brush(RGB(255, 0, 0)).Visible(false);
  b.Memo(&TMain::CommBuff).Bounds(2, 632, 202, 133).Font(TerminalFont()).Visible(false)
      .OnKeyPress(&TMain::CommBuffKeyPress);

  // The menu bar.
  b.MainMenu(&TMain::Menu);
  b.MenuItem(&TMain::MenuSet, &TMain::Menu).Caption("&Settings");
  b.MenuItem(&TMain::MenuZone, &TMain::MenuSet).Caption("&Control");
  b.MenuItem(&TMain::MenuZone1, &TMain::MenuZone).Caption("&Main").Tag(1).GroupIndex(2).RadioItem(true)
      .OnClick(&TMain::MenuZoneClick);
  b.MenuItem(&TMain::MenuZone2, &TMain::MenuZone).Caption("&Zone").Tag(2).GroupIndex(2).RadioItem(true)
      .OnClick(&TMain::MenuZoneClick);
  b.MenuItem(&TMain::MenuTerm, &TMain::MenuSet).Caption("&Terminal");
  b.MenuItem(&TMain::MenuVisible, &TMain::MenuTerm).Caption("&Visible").OnClick(&TMain::MenuVisibleClick);
  b.MenuItem(&TMain::MenuErase, &TMain::MenuTerm).Caption("&Clear").Checked(true)
      .OnClick(&TMain::MenuEraseClick);
  b.MenuItem(&TMain::MenuPort, &TMain::MenuSet).Caption("&Port");
  TMenuItem* TMain::*const ports[] = {&TMain::MenuCOM1, &TMain::MenuCOM2, &TMain::MenuCOM3, &TMain::MenuCOM4,
                                      &TMain::MenuCOM5, &TMain::MenuCOM6, &TMain::MenuCOM7, &TMain::MenuCOM8};
  for (int n = 1; n <= 8; ++n) {
    b.MenuItem(ports[n - 1], &TMain::MenuPort).Caption("COM&" + std::to_string(n)).Tag(n).GroupIndex(1)
        .RadioItem(true).OnClick(&TMain::MenuCOMClick);
  }
  b.MenuItem(&TMain::MenuVersion, &TMain::Menu).Caption("&Version");
  b.MenuItem(&TMain::MenuVersionID, &TMain::MenuVersion);

  // Timers.
  b.Timer(&TMain::SnapTimer).Enabled(false).Interval(30).OnTimer(&TMain::SnapTimerEvent);
  b.Timer(&TMain::RepeatTimer).Enabled(false).OnTimer(&TMain::RepeatTimerEvent);
  b.Timer(&TMain::EraseTimer).Enabled(false).Interval(5000).OnTimer(&TMain::EraseTimerEvent);

  // The window itself.
  b.Form().Caption(ProgramTitle).Bounds(0, 120, 215, 813)
      .BorderIcons(biSystemMenu | biMinimize).Font(WindowFont()).Icon("MAINICON").Menu(&TMain::Menu)
      .Visible(true).OnCreate(&TMain::MainCreate).OnResize(&TMain::FormResize);
}
