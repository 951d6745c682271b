// The committed keypad picture and icon: their exact formats, and that the
// picture agrees with the key table the hit test uses.

#include "keypad/KeyTable.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

namespace {

std::vector<uint8_t> ReadAsset(const char* name) {
  std::ifstream in(std::string(ORVANT_SOURCE_DIR) + "/assets/" + name, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

uint32_t Le16(const std::vector<uint8_t>& b, size_t at) {
  return static_cast<uint32_t>(b[at] | b[at + 1] << 8);
}

uint32_t Le32(const std::vector<uint8_t>& b, size_t at) { return Le16(b, at) | Le16(b, at + 2) << 16; }

struct Pixel {
  int R, G, B;
};

constexpr int kWidth = 203;
constexpr int kHeight = 628;
constexpr size_t kStride = 612;

class KeypadPicture : public ::testing::Test {
 protected:
  void SetUp() override {
    bmp_ = ReadAsset("keypad.bmp");
    ASSERT_EQ(bmp_.size(), 384390u);
  }

  // (x, y) from the top-left corner, as the hit test counts.
  Pixel At(int x, int y) const {
    const size_t at = 54 + static_cast<size_t>(kHeight - 1 - y) * kStride + static_cast<size_t>(x) * 3;
    return {bmp_[at + 2], bmp_[at + 1], bmp_[at]};
  }

  // White-ish and uncoloured: only key faces are this light; everything
  // printed on the body is silver or grey.
  bool IsKeyFace(int x, int y) const {
    const Pixel p = At(x, y);
    const int lo = std::min({p.R, p.G, p.B});
    const int hi = std::max({p.R, p.G, p.B});
    return lo >= 215 && hi - lo <= 12;
  }

  bool IsBody(int x, int y) const {
    const Pixel p = At(x, y);
    return std::max({p.R, p.G, p.B}) <= 50;
  }

  std::vector<uint8_t> bmp_;
};

TEST_F(KeypadPicture, IsAnUncompressedBottomUp24BitBitmap) {
  const uint8_t expected[54] = {
      'B', 'M', 0x86, 0xDD, 0x05, 0, 0, 0, 0, 0, 54, 0, 0, 0,  // file header: 384,390 bytes
      40, 0, 0, 0, 203, 0, 0, 0, 0x74, 0x02, 0, 0,            // 203 x 628, bottom-up
      1, 0, 24, 0, 0, 0, 0, 0,                                 // one plane, 24 bits, BI_RGB
      0x50, 0xDD, 0x05, 0,                                     // 384,336 bytes of rows
  };
  for (size_t i = 0; i < 38; ++i) EXPECT_EQ(bmp_[i], expected[i]) << "header byte " << i;
  EXPECT_EQ(Le32(bmp_, 46), 0u) << "no colour table";
  for (int y = 0; y < kHeight; ++y) {
    const size_t rowEnd = 54 + static_cast<size_t>(y) * kStride + kWidth * 3;
    ASSERT_EQ(bmp_[rowEnd] | bmp_[rowEnd + 1] | bmp_[rowEnd + 2], 0) << "row padding " << y;
  }
}

// The key face runs out from each key's point on the picture far enough, and
// evenly enough on both sides, that the key is drawn where the table says.
// Legends are dark and sit inside the face, so the outermost face pixels on
// the key's centre row and column still mark the key's edges.
TEST_F(KeypadPicture, EveryKeyIsDrawnCentredOnItsSlotPoint) {
  for (int i = 0; i < DefinedKeyCount; ++i) {
    const KeySlot& k = KeyTable[i];
    int left = kWidth, right = -1, top = kHeight, bottom = -1;
    for (int x = k.X - 20; x <= k.X + 20; ++x) {
      if (IsKeyFace(x, k.Y)) {
        left = std::min(left, x);
        right = std::max(right, x);
      }
    }
    for (int y = k.Y - 16; y <= k.Y + 16; ++y) {
      if (IsKeyFace(k.X, y)) {
        top = std::min(top, y);
        bottom = std::max(bottom, y);
      }
    }
    ASSERT_GE(right, 0) << "no key face on the centre row of slot " << i;
    ASSERT_GE(bottom, 0) << "no key face on the centre column of slot " << i;
    EXPECT_GE(right - left, 24) << "slot " << i;
    EXPECT_GE(bottom - top, 20) << "slot " << i;
    EXPECT_LE(std::abs(left + right - 2 * k.X), 6) << "slot " << i << " off centre horizontally";
    EXPECT_LE(std::abs(top + bottom - 2 * k.Y), 6) << "slot " << i << " off centre vertically";
  }
}

TEST_F(KeypadPicture, KeysStayOutOfOtherKeysHitWindows) {
  // Every key-face pixel lies in some key's hit window, except the wide
  // Light key, which runs on over the body beyond its own window.
  const KeySlot& light = KeyTable[47];
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      if (!IsKeyFace(x, y)) continue;
      const bool lightRow = y >= light.Y - 16 && y <= light.Y + 16 && x > KeyTable[46].X + 20 &&
                            x < KeyTable[48].X - 20;
      EXPECT_TRUE(FindKey(x, y) >= 0 || lightRow) << "key face on the body at (" << x << ", " << y << ")";
    }
  }
}

// Each key's face, followed from its centre row, stays inside the key's own
// hit window, so no key is drawn over a neighbour's. The wide Light key is
// the one key that runs on over the body beside its window.
TEST_F(KeypadPicture, EachKeyFaceStaysInItsOwnHitWindow) {
  for (int i = 0; i < DefinedKeyCount; ++i) {
    const KeySlot& k = KeyTable[i];
    int seed = k.X - 20;
    while (seed <= k.X + 20 && !IsKeyFace(seed, k.Y)) ++seed;
    ASSERT_LE(seed, k.X + 20) << "slot " << i;
    std::vector<bool> seen(static_cast<size_t>(kWidth) * kHeight, false);
    std::vector<std::pair<int, int>> todo{{seed, k.Y}};
    seen[static_cast<size_t>(k.Y) * kWidth + seed] = true;
    while (!todo.empty()) {
      const auto [x, y] = todo.back();
      todo.pop_back();
      const bool inOwn = x >= k.X - 20 && x <= k.X + 20 && y >= k.Y - 16 && y <= k.Y + 16;
      const bool lightBeside = i == 47 && y >= k.Y - 16 && y <= k.Y + 16 &&
                               x > KeyTable[46].X + 20 && x < KeyTable[48].X - 20;
      ASSERT_TRUE(inOwn || lightBeside) << "slot " << i << " reaches (" << x << ", " << y << ")";
      const int next[4][2] = {{x - 1, y}, {x + 1, y}, {x, y - 1}, {x, y + 1}};
      for (const auto& n : next) {
        if (n[0] < 0 || n[1] < 0 || n[0] >= kWidth || n[1] >= kHeight) continue;
        const size_t at = static_cast<size_t>(n[1]) * kWidth + n[0];
        if (seen[at] || !IsKeyFace(n[0], n[1])) continue;
        seen[at] = true;
        todo.push_back({n[0], n[1]});
      }
    }
  }
}

TEST_F(KeypadPicture, BodyPointsAreBodyColoured) {
  const struct {
    int x, y;
  } points[] = {{102, 152}, {150, 40}, {8, 300}, {101, 320}, {190, 620}};
  for (const auto& p : points) EXPECT_TRUE(IsBody(p.x, p.y)) << "(" << p.x << ", " << p.y << ")";
}

TEST_F(KeypadPicture, NoKeyAboveTheEmblemLine) {
  for (int y = 0; y < 70; ++y) {
    for (int x = 0; x < kWidth; ++x) ASSERT_FALSE(IsKeyFace(x, y)) << "(" << x << ", " << y << ")";
  }
}

class ProgramIcon : public ::testing::Test {
 protected:
  void SetUp() override {
    ico_ = ReadAsset("orvant.ico");
    ASSERT_EQ(ico_.size(), 766u);
  }

  // Palette entry (as R, G, B) of pixel (x, y), top-down.
  Pixel ColourAt(int x, int y) const {
    const size_t row = 22 + 40 + 64 + static_cast<size_t>(31 - y) * 16;
    const uint8_t pair = ico_[row + static_cast<size_t>(x) / 2];
    const int index = x % 2 == 0 ? pair >> 4 : pair & 0x0F;
    const size_t entry = 22 + 40 + static_cast<size_t>(index) * 4;
    return {ico_[entry + 2], ico_[entry + 1], ico_[entry]};
  }

  bool IsTransparent(int x, int y) const {
    const size_t row = 22 + 40 + 64 + 512 + static_cast<size_t>(31 - y) * 4;
    return (ico_[row + static_cast<size_t>(x) / 8] & (0x80 >> (x % 8))) != 0;
  }

  std::vector<uint8_t> ico_;
};

TEST_F(ProgramIcon, IsOne32By32SixteenColourImage) {
  const uint8_t dir[22] = {0, 0, 1, 0, 1, 0,                      // icon resource, one image
                           32, 32, 16, 0, 1, 0, 4, 0,             // 32 x 32, 16 colours, 4 bpp
                           0xE8, 0x02, 0, 0, 22, 0, 0, 0};        // 744 bytes at offset 22
  for (size_t i = 0; i < 22; ++i) EXPECT_EQ(ico_[i], dir[i]) << "directory byte " << i;
  EXPECT_EQ(Le32(ico_, 22), 40u);
  EXPECT_EQ(Le32(ico_, 26), 32u);
  EXPECT_EQ(Le32(ico_, 30), 64u) << "height counts image and mask";
  EXPECT_EQ(Le16(ico_, 34), 1u);
  EXPECT_EQ(Le16(ico_, 36), 4u);
  EXPECT_EQ(Le32(ico_, 38), 0u);
}

TEST_F(ProgramIcon, UsesTheStandardPalette) {
  const uint8_t rgb[16][3] = {{0, 0, 0},       {128, 0, 0},   {0, 128, 0},   {128, 128, 0},
                              {0, 0, 128},     {128, 0, 128}, {0, 128, 128}, {192, 192, 192},
                              {128, 128, 128}, {255, 0, 0},   {0, 255, 0},   {255, 255, 0},
                              {0, 0, 255},     {255, 0, 255}, {0, 255, 255}, {255, 255, 255}};
  for (size_t i = 0; i < 16; ++i) {
    const size_t at = 22 + 40 + i * 4;
    EXPECT_EQ(ico_[at + 2], rgb[i][0]) << "entry " << i;
    EXPECT_EQ(ico_[at + 1], rgb[i][1]) << "entry " << i;
    EXPECT_EQ(ico_[at], rgb[i][2]) << "entry " << i;
  }
}

TEST_F(ProgramIcon, MaroonBodyGreyEdgeWhiteMonogram) {
  int maroon = 0, grey = 0, white = 0;
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 32; ++x) {
      if (IsTransparent(x, y)) continue;
      const Pixel p = ColourAt(x, y);
      maroon += p.R == 128 && p.G == 0 && p.B == 0;
      grey += p.R == 128 && p.G == 128 && p.B == 128;
      white += p.R == 255 && p.G == 255 && p.B == 255;
    }
  }
  EXPECT_GT(maroon, 200);
  EXPECT_GT(grey, 60);
  EXPECT_GT(white, 50);
  // The edge: along the middle row, the first and last opaque pixels are grey
  // and the next ones in are maroon.
  int first = -1, last = -1;
  for (int x = 0; x < 32; ++x) {
    if (!IsTransparent(x, 16)) {
      if (first < 0) first = x;
      last = x;
    }
  }
  ASSERT_GE(first, 0);
  EXPECT_EQ(ColourAt(first, 16).G, 128);
  EXPECT_EQ(ColourAt(last, 16).G, 128);
  EXPECT_EQ(ColourAt(first + 1, 16).R, 128);
  EXPECT_EQ(ColourAt(first + 1, 16).G, 0);
  EXPECT_EQ(ColourAt(last - 1, 16).R, 128);
  EXPECT_EQ(ColourAt(last - 1, 16).G, 0);
  EXPECT_LT(last - first, 31) << "upright: narrower than the icon";
}

TEST_F(ProgramIcon, TransparentOutsideTheRoundedOutline) {
  const struct {
    int x, y;
    bool transparent;
  } cases[] = {{0, 0, true}, {31, 0, true}, {0, 31, true}, {31, 31, true},  // corners
               {0, 16, true}, {31, 16, true},                             // beside an upright body
               {16, 16, false}, {16, 2, false}, {16, 29, false}};
  for (const auto& c : cases) {
    EXPECT_EQ(IsTransparent(c.x, c.y), c.transparent) << "(" << c.x << ", " << c.y << ")";
    if (c.transparent) {
      const Pixel p = ColourAt(c.x, c.y);
      EXPECT_EQ(p.R + p.G + p.B, 0) << "transparent pixels are black in the colour image";
    }
  }
  // The rounding: the body's bounding-box corners are outside the outline.
  int top = 32, left = 32;
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 32; ++x) {
      if (!IsTransparent(x, y)) {
        top = std::min(top, y);
        left = std::min(left, x);
      }
    }
  }
  EXPECT_TRUE(IsTransparent(left, top));
  EXPECT_TRUE(IsTransparent(31 - left, top));
}

}  // namespace
