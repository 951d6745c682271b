// Key press, hold and repeat on the keypad picture. Everything here runs on
// the window's thread, from mouse and timer messages. The two timers are
// driven only through their setters, whose rules make the timing: setting a
// value a timer already has leaves its countdown alone, a new value restarts
// it from the full interval.
//   RepeatTimer: stopped; waiting DelayTicks ticks after a press; or
//                repeating every tick while a repeating key is held.
//   SnapTimer:   the marker's short linger after a release.
#include "keypad/KeypadEvents.h"

#include "app/MainForm.h"
#include "keypad/KeyTable.h"
#include "link/SendLine.h"

int CurrentKey = -1;

int CurrentZone() { return Main->MenuZone1->Checked() ? 1 : 2; }

void TMain::KeypadMouseDown(TObject*, TMouseButton, TShiftState, int X, int Y) {
  CurrentKey = FindKey(X, Y);
  // A press beside the keys changes nothing else: a repeat running for a
  // key still held goes on, and its firing sees CurrentKey at -1.
  if (CurrentKey < 0) return;
  // PortReady may run a modal loop; keep the slot this press found.
  const int slot = CurrentKey;
  const KeySlot& key = KeyTable[slot];

  // The marker is centred on the key's point; the picture's coordinates are
  // turned into the window's client coordinates, where the marker lives.
  Snap->SetBounds(Keypad->Left() + key.X - Snap->Width() / 2,
                  Keypad->Top() + key.Y - Snap->Height() / 2, Snap->Width(), Snap->Height());
  Snap->SetVisible(true);

  if (!PortReady()) return;

  // Sent before any timer is touched: a click reaches the processor at once.
  SendKeyCommand(CurrentZone(), false, slot);
  RepeatTimer->SetEnabled(false);
  if (key.Repeats || key.Holds) {
    RepeatTimer->SetInterval(static_cast<unsigned>(key.DelayTicks * KeyTickMs));
    RepeatTimer->SetEnabled(true);
  }
}

void TMain::KeypadMouseUp(TObject*, TMouseButton, TShiftState, int, int) {
  RepeatTimer->SetEnabled(false);
  if (Snap->Visible()) {
    // Restart the linger from this release, even if one was counting.
    SnapTimer->SetEnabled(false);
    SnapTimer->SetEnabled(true);
  }
}

// The picture lost the mouse while a button may still be down (another
// window or a dialog took it, the window lost activation): no release will
// come, so the repeat stops here. The marker stays until a later release.
void TMain::KeypadCaptureLost(TObject*) { RepeatTimer->SetEnabled(false); }

void TMain::SnapTimerEvent(TObject*) {
  Snap->SetVisible(false);
  SnapTimer->SetEnabled(false);
}

void TMain::RepeatTimerEvent(TObject*) {
  // A second button went down beside the keys while a key was held: there
  // is no slot to repeat, so the repeat ends.
  if (CurrentKey < 0) {
    RepeatTimer->SetEnabled(false);
    return;
  }
  const KeySlot& key = KeyTable[CurrentKey];
  SendKeyCommand(CurrentZone(), key.Repeats == 0, CurrentKey);
  // The first firing turns the key's delay into the repeat period, which
  // restarts the countdown from this firing; later firings change nothing
  // and the timer runs on. A hold key stops after its one held command.
  RepeatTimer->SetInterval(KeyTickMs);
  RepeatTimer->SetEnabled(key.Repeats != 0);
}
