// Key press, hold and repeat on the keypad picture, and a key's command on the
// wire. Window's thread only, from the window's mouse and timer messages; the
// window forwards its handlers (KeypadMouseDown, KeypadMouseUp,
// SnapTimerEvent, RepeatTimerEvent) here.
//
// The two timers are driven only through their setters, whose rules make the
// timing: setting a value a timer already has leaves its countdown alone, a
// new value restarts it from the full interval.
//   RepeatTimer: stopped; waiting DelayTicks ticks after a press; or
//                repeating every tick while a repeating key is held.
//   SnapTimer:   the marker's short linger after a release.
#pragma once

#include <functional>

#include "framework/ExtCtrls.h"
#include "framework/Timer.h"

// Sends the key's press command (hold false) or held command (hold true) in
// the given zone (1 or 2), echoed in the terminal pane: the key table gives
// the code, the link formats and sends the line. A key whose code is 100 or
// more sends, echoes and restarts nothing. slot is a valid index of KeyTable.
void SendKeyCommand(int zone, bool hold, int slot);

// Slot of KeyTable that the last press on the picture found, -1 when it
// found none. Written by every press and read by each firing of the repeat
// timer.
extern int CurrentKey;

// The window's parts a press works on. The window owns them all and outlives
// the TKeypadPress that refers to them.
struct TKeypadParts {
  TImage& Picture;      // the keypad; where it lies turns key points into client coordinates
  TShape& Marker;       // the red circle on the key pressed (Snap)
  TTimer& MarkerTimer;  // the marker's linger after a release (SnapTimer)
  TTimer& RepeatTimer;  // the first repeat or held command, then the repeats
  // The zone that key commands address right now, 1 or 2; read afresh for
  // every command sent.
  std::function<int()> Zone;
};

class TKeypadPress {
public:
  explicit TKeypadPress(TKeypadParts parts) : parts_(std::move(parts)) {}

  // Any button going down on the picture, at (x, y) in its coordinates.
  void Press(int x, int y);
  // Any button's release that reaches the picture.
  void Release();
  // The picture lost the mouse while a button may still be down.
  void CaptureLost();
  // The marker's linger is over.
  void MarkerTimerFired();
  // The repeat timer fired: a repeat or the held command.
  void RepeatTimerFired();

private:
  TKeypadParts parts_;
};
