#pragma once

#include <cstdint>

// One key of the keypad picture: where its centre lies on the picture, the
// code the processor knows it by (100 and above: a key that sends nothing),
// and how it behaves while held.
struct KeySlot {
  int32_t X;
  int32_t Y;
  int32_t Code;
  uint8_t Repeats;     // non-zero: auto-repeats while held
  uint8_t Holds;       // non-zero: sends one held command when held long enough
  int32_t DelayTicks;  // press to first repeat / held command, in KeyTickMs ticks
};

constexpr int KeySlotCount = 58;     // DefinedKeyCount keys, then spare all-zero slots
constexpr int DefinedKeyCount = 49;
constexpr int KeyTickMs = 60;

// Constant data, read by index from any thread; never written.
extern const KeySlot KeyTable[KeySlotCount];

// Half extents of the window around each key's point that answers a press.
constexpr int32_t KeyHitHalfWidth = 20;
constexpr int32_t KeyHitHalfHeight = 16;

// Slot index of the first defined key whose window holds (x, y), or -1.
// The spare slots are never hit: they sit at (0, 0) and would otherwise claim
// the picture's empty top-left corner.
int FindKey(int32_t x, int32_t y);
