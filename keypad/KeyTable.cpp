#include "keypad/KeyTable.h"

// Slot order is part of the contract: the hold and repeat handling stores
// slot indices, and where the digit keys' windows overlap the lower index wins.
const KeySlot KeyTable[KeySlotCount] = {
    // X    Y   Code Rep Hold Delay
    {40, 90, 14, 0, 1, 4},     // 0  On-Off
    {25, 129, 15, 0, 0, 0},    // 1  THX
    {68, 129, 16, 0, 0, 0},    // 2  Dyn
    {118, 89, 17, 1, 0, 6},    // 3  Digital up
    {118, 130, 18, 1, 0, 6},   // 4  Digital down
    {172, 89, 19, 1, 0, 6},    // 5  Surround up
    {172, 130, 20, 1, 0, 6},   // 6  Surround down
    {24, 177, 21, 0, 1, 8},    // 7  Setup / Trim
    {178, 177, 22, 0, 0, 0},   // 8  Mute
    {24, 287, 23, 0, 1, 8},    // 9  Tuning
    {178, 287, 24, 0, 1, 8},   // 10 Status
    {102, 181, 25, 1, 0, 2},   // 11 Volume up
    {52, 231, 26, 1, 0, 2},    // 12 Auto Audio / Tune left
    {102, 231, 27, 0, 1, 4},   // 13 Mem / Enter
    {153, 231, 28, 1, 0, 2},   // 14 Auto Video / Tune right
    {102, 283, 29, 1, 0, 2},   // 15 Volume down
    {32, 342, 30, 0, 0, 0},    // 16 FM/AM
    {78, 342, 31, 0, 0, 0},    // 17 A. Cal
    {124, 342, 32, 0, 0, 0},   // 18 Dim
    {172, 342, 33, 0, 1, 8},   // 19 Sleep
    {32, 377, 34, 0, 0, 0},    // 20 Aud 1
    {32, 412, 35, 0, 0, 0},    // 21 Aud 2
    {32, 447, 36, 0, 0, 0},    // 22 Aud 3
    {78, 377, 37, 0, 0, 0},    // 23 Aud 4
    {78, 412, 38, 0, 0, 0},    // 24 Aud 5
    {78, 447, 39, 0, 0, 0},    // 25 Aud 6
    {124, 377, 40, 0, 0, 0},   // 26 Vid 1
    {124, 412, 41, 0, 0, 0},   // 27 Vid 2
    {124, 447, 42, 0, 0, 0},   // 28 Vid 3
    {172, 377, 43, 0, 0, 0},   // 29 Vid 4
    {172, 412, 44, 0, 0, 0},   // 30 Vid 5
    {172, 447, 45, 0, 0, 0},   // 31 Vid 6
    {24, 487, 46, 0, 1, 4},    // 32 digit 1
    {63, 487, 47, 0, 1, 4},    // 33 digit 2
    {101, 487, 48, 0, 1, 4},   // 34 digit 3
    {140, 487, 49, 0, 1, 4},   // 35 digit 4
    {179, 487, 50, 0, 1, 4},   // 36 digit 5
    {24, 525, 51, 0, 1, 4},    // 37 digit 6
    {63, 525, 52, 0, 1, 4},    // 38 digit 7
    {101, 525, 53, 0, 1, 4},   // 39 digit 8
    {140, 525, 54, 0, 1, 4},   // 40 digit 9
    {179, 525, 55, 0, 1, 4},   // 41 digit 10
    {32, 564, 100, 0, 0, 0},   // 42 MAC 1 (sends nothing)
    {78, 564, 101, 0, 0, 0},   // 43 MAC 2 (sends nothing)
    {124, 564, 102, 0, 0, 0},  // 44 MAC 3 (sends nothing)
    {172, 564, 103, 0, 0, 0},  // 45 MAC 4 (sends nothing)
    {32, 600, 56, 0, 0, 0},    // 46 Shift
    {102, 600, 104, 0, 0, 0},  // 47 Light (sends nothing)
    {172, 600, 57, 0, 0, 0},   // 48 Zone
    // 49..57: spare, all zero.
};

int FindKey(int32_t x, int32_t y) {
  for (int i = 0; i < DefinedKeyCount; ++i) {
    const KeySlot& k = KeyTable[i];
    if (x >= k.X - KeyHitHalfWidth && x <= k.X + KeyHitHalfWidth &&
        y >= k.Y - KeyHitHalfHeight && y <= k.Y + KeyHitHalfHeight) {
      return i;
    }
  }
  return -1;
}
