#include "keypad/KeypadPress.h"

#include "keypad/KeyTable.h"
#include "link/CommandLine.h"
#include "link/SendLine.h"

int CurrentKey = -1;

void SendKeyCommand(int zone, bool hold, int slot) {
  char line[KeyCommandSize];
  if (!FormatKeyCommand(zone, hold, KeyTable[slot].Code, line)) return;
  SendLine(line, true);
}

void TKeypadPress::Press(int x, int y) {
  CurrentKey = FindKey(x, y);
  // A press beside the keys changes nothing else: a repeat running for a
  // key still held goes on, and its firing sees CurrentKey at -1.
  if (CurrentKey < 0) return;
  // PortReady may run a modal loop; keep the slot this press found.
  const int slot = CurrentKey;
  const KeySlot& key = KeyTable[slot];

  // The marker is centred on the key's point; the picture's coordinates are
  // turned into the window's client coordinates, where the marker lives.
  TShape& marker = parts_.Marker;
  marker.SetBounds(parts_.Picture.Left() + key.X - marker.Width() / 2,
                   parts_.Picture.Top() + key.Y - marker.Height() / 2, marker.Width(), marker.Height());
  marker.SetVisible(true);

  if (!PortReady()) return;

  // Sent before any timer is touched: a click reaches the processor at once.
  SendKeyCommand(parts_.Zone(), false, slot);
  parts_.RepeatTimer.SetEnabled(false);
  if (key.Repeats || key.Holds) {
    parts_.RepeatTimer.SetInterval(static_cast<unsigned>(key.DelayTicks * KeyTickMs));
    parts_.RepeatTimer.SetEnabled(true);
  }
}

void TKeypadPress::Release() {
  parts_.RepeatTimer.SetEnabled(false);
  if (parts_.Marker.Visible()) {
    // Restart the linger from this release, even if one was counting.
    parts_.MarkerTimer.SetEnabled(false);
    parts_.MarkerTimer.SetEnabled(true);
  }
}

// No release will come (another window or a dialog took the mouse, the window
// lost activation), so the repeat stops here. The marker stays until a later
// release.
void TKeypadPress::CaptureLost() { parts_.RepeatTimer.SetEnabled(false); }

void TKeypadPress::MarkerTimerFired() {
  parts_.Marker.SetVisible(false);
  parts_.MarkerTimer.SetEnabled(false);
}

void TKeypadPress::RepeatTimerFired() {
  // A second button went down beside the keys while a key was held: there
  // is no slot to repeat, so the repeat ends.
  if (CurrentKey < 0) {
    parts_.RepeatTimer.SetEnabled(false);
    return;
  }
  const KeySlot& key = KeyTable[CurrentKey];
  try {
    SendKeyCommand(parts_.Zone(), key.Repeats == 0, CurrentKey);
  } catch (...) {
    // A command the port did not take ends the repeat: the user is told once
    // and presses again, rather than once for every firing.
    parts_.RepeatTimer.SetEnabled(false);
    throw;
  }
  // The first firing turns the key's delay into the repeat period, which
  // restarts the countdown from this firing; later firings change nothing
  // and the timer runs on. A hold key stops after its one held command.
  parts_.RepeatTimer.SetInterval(KeyTickMs);
  parts_.RepeatTimer.SetEnabled(key.Repeats != 0);
}
