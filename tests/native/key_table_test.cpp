#include "keypad/KeyTable.h"

#include <gtest/gtest.h>

#include <ostream>
#include <set>

namespace {

struct HitCase {
  int32_t x;
  int32_t y;
  int expected;
  const char* why;
};

const HitCase kHitCases[] = {
    // On-Off's window: centre, its four corners, one pixel past each edge.
    {40, 90, 0, "On-Off centre"},
    {20, 74, 0, "On-Off top-left corner"},
    {60, 74, 0, "On-Off top-right corner"},
    {20, 106, 0, "On-Off bottom-left corner"},
    {60, 106, 0, "On-Off bottom-right corner"},
    {61, 90, -1, "one right of On-Off"},
    {40, 107, -1, "one below On-Off"},
    {19, 90, -1, "one left of On-Off"},
    {40, 73, -1, "one above On-Off"},
    // Zone, the last defined slot, at the picture's bottom-right.
    {172, 600, 48, "Zone centre"},
    {192, 616, 48, "Zone bottom-right corner"},
    {193, 616, -1, "one right of Zone"},
    {192, 617, -1, "one below Zone"},
    // Neighbouring digits overlap; the left-hand digit wins. Every strip:
    // digits 1 to 5 on y 487, 6 to 10 on y 525.
    {43, 487, 32, "digit 1/2 overlap, left column"},
    {44, 487, 32, "digit 1/2 overlap, right column"},
    {45, 487, 33, "just past digit 1"},
    {81, 487, 33, "digit 2/3 overlap"},
    {83, 487, 33, "digit 2/3 overlap, last column"},
    {84, 487, 34, "just past digit 2"},
    {120, 487, 34, "digit 3/4 overlap"},
    {121, 487, 34, "digit 3/4 overlap, right column"},
    {122, 487, 35, "just past digit 3"},
    {159, 487, 35, "digit 4/5 overlap"},
    {160, 487, 35, "digit 4/5 overlap, right column"},
    {161, 487, 36, "just past digit 4"},
    {43, 525, 37, "digit 6/7 overlap"},
    {45, 525, 38, "just past digit 6"},
    {81, 525, 38, "digit 7/8 overlap"},
    {83, 525, 38, "digit 7/8 overlap, last column"},
    {84, 525, 39, "just past digit 7"},
    {121, 525, 39, "digit 8/9 overlap"},
    {122, 525, 40, "just past digit 8"},
    {160, 525, 40, "digit 9/10 overlap"},
    {161, 525, 41, "just past digit 9"},
    // Rows of digits do not touch: a gap from y 504 to 508.
    {24, 503, 32, "digit 1, bottom edge"},
    {24, 504, -1, "between digits 1 and 6"},
    {24, 508, -1, "between digits 1 and 6, low"},
    {24, 509, 37, "digit 6, top edge"},
    // Other neighbours have gaps between their windows too.
    {102, 197, 11, "Volume up, bottom edge"},
    {102, 198, -1, "between Volume up and Mem/Enter"},
    {102, 214, -1, "between Volume up and Mem/Enter, low"},
    {102, 215, 13, "Mem/Enter, top edge"},
    {98, 377, 23, "Aud 4, right edge"},
    {99, 377, -1, "between Aud 4 and Vid 1"},
    {103, 377, -1, "between Aud 4 and Vid 1, right"},
    {104, 377, 26, "Vid 1, left edge"},
    {138, 89, 3, "Digital up, right edge"},
    {139, 89, -1, "between Digital up and Surround up"},
    {152, 89, 5, "Surround up, left edge"},
    // Body between keys and the emblem area.
    {102, 152, -1, "pause symbol on the body"},
    {150, 40, -1, "emblem area"},
    // Negative coordinates compare as signed numbers.
    {-5, 90, -1, "left of the picture"},
    {40, -1, -1, "above the picture"},
    {INT32_MIN, INT32_MIN, -1, "extreme negative"},
    {INT32_MAX, INT32_MAX, -1, "extreme positive"},
    // The spare slots sit at (0, 0) but are never hit.
    {0, 0, -1, "top-left corner, spare slot point"},
    {20, 16, -1, "far corner of a spare slot's window"},
    {10, 8, -1, "inside a spare slot's window"},
    // Silent keys answer like any other.
    {32, 564, 42, "MAC 1"},
    {102, 600, 47, "Light"},
};

void PrintTo(const HitCase& c, std::ostream* os) {
  *os << c.why << " (" << c.x << ", " << c.y << ") -> " << c.expected;
}

class FindKeyCases : public ::testing::TestWithParam<HitCase> {};

TEST_P(FindKeyCases, ReturnsFirstAnsweringSlot) {
  const HitCase& c = GetParam();
  EXPECT_EQ(FindKey(c.x, c.y), c.expected) << c.why << " at (" << c.x << ", " << c.y << ")";
}

INSTANTIATE_TEST_SUITE_P(EdgeCases, FindKeyCases, ::testing::ValuesIn(kHitCases));

TEST(FindKey, EveryDefinedKeyIsFoundAtItsOwnPoint) {
  for (int i = 0; i < DefinedKeyCount; ++i) {
    EXPECT_EQ(FindKey(KeyTable[i].X, KeyTable[i].Y), i) << "slot " << i;
  }
}

TEST(KeyTable, SendingKeysUseCodes14To57OnceEach) {
  std::set<int32_t> sending;
  std::set<int32_t> silent;
  for (int i = 0; i < DefinedKeyCount; ++i) {
    const int32_t code = KeyTable[i].Code;
    if (code >= 100) {
      EXPECT_TRUE(silent.insert(code).second) << "duplicate silent code " << code;
    } else {
      EXPECT_TRUE(sending.insert(code).second) << "duplicate code " << code;
    }
  }
  ASSERT_EQ(sending.size(), 44u);
  EXPECT_EQ(*sending.begin(), 14);
  EXPECT_EQ(*sending.rbegin(), 57);
  EXPECT_EQ(silent, (std::set<int32_t>{100, 101, 102, 103, 104}));
  for (int i = 0; i <= 41; ++i) EXPECT_EQ(KeyTable[i].Code, i + 14) << "slot " << i;
  EXPECT_EQ(KeyTable[46].Code, 56);
  EXPECT_EQ(KeyTable[48].Code, 57);
  EXPECT_EQ(KeyTable[42].Code, 100);
  EXPECT_EQ(KeyTable[45].Code, 103);
  EXPECT_EQ(KeyTable[47].Code, 104);
}

struct BehaviourCase {
  int slot;
  uint8_t repeats;
  uint8_t holds;
  int32_t delay;
};

// Every key with a hold or repeat behaviour; all others have neither.
const BehaviourCase kBehaviours[] = {
    {0, 0, 1, 4},  {3, 1, 0, 6},  {4, 1, 0, 6},  {5, 1, 0, 6},  {6, 1, 0, 6},
    {7, 0, 1, 8},  {9, 0, 1, 8},  {10, 0, 1, 8}, {11, 1, 0, 2}, {12, 1, 0, 2},
    {13, 0, 1, 4}, {14, 1, 0, 2}, {15, 1, 0, 2}, {19, 0, 1, 8}, {32, 0, 1, 4},
    {33, 0, 1, 4}, {34, 0, 1, 4}, {35, 0, 1, 4}, {36, 0, 1, 4}, {37, 0, 1, 4},
    {38, 0, 1, 4}, {39, 0, 1, 4}, {40, 0, 1, 4}, {41, 0, 1, 4},
};

TEST(KeyTable, RepeatHoldAndDelayAsListed) {
  BehaviourCase expected[DefinedKeyCount] = {};
  for (int i = 0; i < DefinedKeyCount; ++i) expected[i] = {i, 0, 0, 0};
  for (const BehaviourCase& b : kBehaviours) expected[b.slot] = b;
  for (int i = 0; i < DefinedKeyCount; ++i) {
    const KeySlot& k = KeyTable[i];
    EXPECT_EQ(k.Repeats, expected[i].repeats) << "slot " << i;
    EXPECT_EQ(k.Holds, expected[i].holds) << "slot " << i;
    EXPECT_EQ(k.DelayTicks, expected[i].delay) << "slot " << i;
    EXPECT_FALSE(k.Repeats && k.Holds) << "slot " << i;
    EXPECT_EQ(k.DelayTicks > 0, k.Repeats != 0 || k.Holds != 0) << "slot " << i;
  }
}

TEST(KeyTable, SpareSlotsAreAllZero) {
  for (int i = DefinedKeyCount; i < KeySlotCount; ++i) {
    const KeySlot& k = KeyTable[i];
    EXPECT_EQ(k.X, 0) << "slot " << i;
    EXPECT_EQ(k.Y, 0) << "slot " << i;
    EXPECT_EQ(k.Code, 0) << "slot " << i;
    EXPECT_EQ(k.Repeats, 0) << "slot " << i;
    EXPECT_EQ(k.Holds, 0) << "slot " << i;
    EXPECT_EQ(k.DelayTicks, 0) << "slot " << i;
  }
}

TEST(KeyTable, DefinedKeysLieOnThePictureBelowTheEmblem) {
  for (int i = 0; i < DefinedKeyCount; ++i) {
    const KeySlot& k = KeyTable[i];
    EXPECT_GE(k.X - 20, 0) << "slot " << i;
    EXPECT_LE(k.X + 20, 202) << "slot " << i;
    EXPECT_GE(k.Y - 16, 70) << "slot " << i;
    EXPECT_LT(k.Y + 16, 628) << "slot " << i;
  }
}

}  // namespace
