// The keypad's handlers: press, hold and repeat live in the keypad
// (keypad/KeypadPress.h); the window only forwards its events there.
#include "app/MainForm.h"

void TMain::KeypadMouseDown(TObject*, TMouseButton, TShiftState, int X, int Y) {
  KeypadPress->Press(X, Y);
}

void TMain::KeypadMouseUp(TObject*, TMouseButton, TShiftState, int, int) { KeypadPress->Release(); }

void TMain::KeypadCaptureLost(TObject*) { KeypadPress->CaptureLost(); }

void TMain::SnapTimerEvent(TObject*) { KeypadPress->MarkerTimerFired(); }

void TMain::RepeatTimerEvent(TObject*) { KeypadPress->RepeatTimerFired(); }
