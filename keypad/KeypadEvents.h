// Key press, hold and repeat on the keypad picture: the handlers are methods
// of TMain (KeypadMouseDown, KeypadMouseUp, KeypadCaptureLost,
// SnapTimerEvent, RepeatTimerEvent); this is the state they share.
#pragma once

// Slot of KeyTable that the last press on the picture found, -1 when it
// found none. Written by every press and read by each firing of the repeat
// timer; window's thread only.
extern int CurrentKey;

// The zone that key commands address right now: 1 while Settings > Control
// > Main is checked, else 2. Read afresh for every command sent.
int CurrentZone();
