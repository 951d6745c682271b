#include "tools/artgen/IconArt.h"

#include "tools/artgen/Canvas.h"
#include "tools/artgen/TextPainter.h"

namespace {

constexpr int kSize = 32;

// The standard 16-colour palette, in its usual order.
constexpr Rgb kPalette[16] = {
    {0, 0, 0},     {128, 0, 0},   {0, 128, 0},   {128, 128, 0}, {0, 0, 128},   {128, 0, 128},
    {0, 128, 128}, {192, 192, 192}, {128, 128, 128}, {255, 0, 0}, {0, 255, 0}, {255, 255, 0},
    {0, 0, 255},   {255, 0, 255}, {0, 255, 255}, {255, 255, 255},
};
constexpr uint8_t kMaroon = 1;
constexpr uint8_t kSilver = 7;
constexpr uint8_t kGrey = 8;
constexpr uint8_t kWhite = 15;

// The upright rounded body, sample-exact so each pixel is either in or out.
constexpr double kLeft = 4.0, kTop = 1.0, kRight = 28.0, kBottom = 31.0, kRadius = 6.0;

void PutLe16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}

void PutLe32(std::vector<uint8_t>& out, uint32_t v) {
  PutLe16(out, v & 0xFFFF);
  PutLe16(out, v >> 16);
}

// Palette index per pixel (top-down) and which pixels are opaque.
struct IconPixels {
  uint8_t Index[kSize][kSize];
  bool Opaque[kSize][kSize];
};

IconPixels Paint(const std::string& fontDir) {
  IconPixels px{};
  const ShapeTest outer = RoundRect(kLeft, kTop, kRight, kBottom, kRadius);
  const ShapeTest inner = RoundRect(kLeft + 1, kTop + 1, kRight - 1, kBottom - 1, kRadius - 1);
  // The monogram is drawn in white on black on a scratch canvas, then its
  // coverage decides white, silver (soft edge) or maroon.
  Canvas letters(kSize, kSize, Rgb{0, 0, 0});
  TextPainter font(fontDir + "/DejaVuSans-Bold.ttf");
  font.SetPixelSize(15);
  font.DrawCentred(letters, "O", 16.0, 15, Rgb{255, 255, 255});
  font.SetPixelSize(13);
  font.DrawCentred(letters, "R", 16.0, 28, Rgb{255, 255, 255});
  for (int y = 0; y < kSize; ++y) {
    for (int x = 0; x < kSize; ++x) {
      const double cx = x + 0.5, cy = y + 0.5;
      px.Opaque[y][x] = outer(cx, cy);
      if (!px.Opaque[y][x]) continue;
      if (!inner(cx, cy)) {
        px.Index[y][x] = kGrey;
        continue;
      }
      const int ink = letters.At(x, y).R;
      px.Index[y][x] = ink >= 150 ? kWhite : (ink >= 70 ? kSilver : kMaroon);
    }
  }
  return px;
}

}  // namespace

std::vector<uint8_t> DrawIcon(const std::string& fontDir) {
  const IconPixels px = Paint(fontDir);
  const uint32_t xorSize = kSize * kSize / 2;  // 4 bits a pixel, rows already 4-byte aligned
  const uint32_t andSize = kSize * 4;          // 1 bit a pixel, 32-bit rows
  const uint32_t imageSize = 40 + 16 * 4 + xorSize + andSize;
  std::vector<uint8_t> out;
  // ICONDIR and its one entry.
  PutLe16(out, 0);
  PutLe16(out, 1);
  PutLe16(out, 1);
  out.push_back(kSize);
  out.push_back(kSize);
  out.push_back(16);
  out.push_back(0);
  PutLe16(out, 1);
  PutLe16(out, 4);
  PutLe32(out, imageSize);
  PutLe32(out, 6 + 16);
  // BITMAPINFOHEADER: the height counts the colour image and the mask.
  PutLe32(out, 40);
  PutLe32(out, kSize);
  PutLe32(out, kSize * 2);
  PutLe16(out, 1);
  PutLe16(out, 4);
  PutLe32(out, 0);
  PutLe32(out, xorSize + andSize);
  PutLe32(out, 0);
  PutLe32(out, 0);
  PutLe32(out, 16);
  PutLe32(out, 0);
  for (const Rgb& c : kPalette) {
    out.push_back(c.B);
    out.push_back(c.G);
    out.push_back(c.R);
    out.push_back(0);
  }
  for (int y = kSize - 1; y >= 0; --y) {
    for (int x = 0; x < kSize; x += 2) {
      const uint8_t hi = px.Opaque[y][x] ? px.Index[y][x] : 0;
      const uint8_t lo = px.Opaque[y][x + 1] ? px.Index[y][x + 1] : 0;
      out.push_back(static_cast<uint8_t>(hi << 4 | lo));
    }
  }
  for (int y = kSize - 1; y >= 0; --y) {
    for (int byte = 0; byte < 4; ++byte) {
      uint8_t bits = 0;
      for (int bit = 0; bit < 8; ++bit) {
        if (!px.Opaque[y][byte * 8 + bit]) bits |= static_cast<uint8_t>(0x80 >> bit);
      }
      out.push_back(bits);
    }
  }
  return out;
}
