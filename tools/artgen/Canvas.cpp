#include "tools/artgen/Canvas.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

Canvas::Canvas(int width, int height, Rgb fill)
    : width_(width), height_(height), pixels_(static_cast<size_t>(width) * height, fill) {}

Rgb Canvas::At(int x, int y) const { return pixels_[static_cast<size_t>(y) * width_ + x]; }

void Canvas::Set(int x, int y, Rgb c) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
  pixels_[static_cast<size_t>(y) * width_ + x] = c;
}

void Canvas::Blend(int x, int y, Rgb c, double alpha) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_ || alpha <= 0.0) return;
  if (alpha > 1.0) alpha = 1.0;
  Rgb& p = pixels_[static_cast<size_t>(y) * width_ + x];
  auto mix = [alpha](uint8_t under, uint8_t over) {
    return static_cast<uint8_t>(std::lround(under + (over - under) * alpha));
  };
  p = {mix(p.R, c.R), mix(p.G, c.G), mix(p.B, c.B)};
}

double Canvas::Coverage(const ShapeTest& inside, int x, int y) {
  int hits = 0;
  for (int sy = 0; sy < 4; ++sy) {
    for (int sx = 0; sx < 4; ++sx) {
      if (inside(x + (sx + 0.5) / 4.0, y + (sy + 0.5) / 4.0)) ++hits;
    }
  }
  return hits / 16.0;
}

void Canvas::Fill(const PixelBox& box, const ShapeTest& inside, Rgb c) {
  Fill(box, inside, [c](int, int) { return c; });
}

void Canvas::Fill(const PixelBox& box, const ShapeTest& inside, const Shader& shade) {
  const int left = std::max(box.Left, 0);
  const int top = std::max(box.Top, 0);
  const int right = std::min(box.Right, width_ - 1);
  const int bottom = std::min(box.Bottom, height_ - 1);
  for (int y = top; y <= bottom; ++y) {
    for (int x = left; x <= right; ++x) {
      const double cover = Coverage(inside, x, y);
      if (cover > 0.0) Blend(x, y, shade(x, y), cover);
    }
  }
}

namespace {

void PutLe16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}

void PutLe32(std::vector<uint8_t>& out, uint32_t v) {
  PutLe16(out, v & 0xFFFF);
  PutLe16(out, v >> 16);
}

}  // namespace

std::vector<uint8_t> Canvas::EncodeBmp() const {
  const uint32_t stride = (static_cast<uint32_t>(width_) * 3 + 3) & ~3u;
  const uint32_t imageSize = stride * static_cast<uint32_t>(height_);
  std::vector<uint8_t> out;
  out.reserve(54 + imageSize);
  out.push_back('B');
  out.push_back('M');
  PutLe32(out, 54 + imageSize);
  PutLe32(out, 0);
  PutLe32(out, 54);
  PutLe32(out, 40);
  PutLe32(out, static_cast<uint32_t>(width_));
  PutLe32(out, static_cast<uint32_t>(height_));  // positive: bottom-up rows
  PutLe16(out, 1);
  PutLe16(out, 24);
  PutLe32(out, 0);  // BI_RGB
  PutLe32(out, imageSize);
  PutLe32(out, 2835);  // 72 dpi
  PutLe32(out, 2835);
  PutLe32(out, 0);
  PutLe32(out, 0);
  for (int y = height_ - 1; y >= 0; --y) {
    for (int x = 0; x < width_; ++x) {
      const Rgb p = At(x, y);
      out.push_back(p.B);
      out.push_back(p.G);
      out.push_back(p.R);
    }
    for (uint32_t pad = static_cast<uint32_t>(width_) * 3; pad < stride; ++pad) out.push_back(0);
  }
  return out;
}

ShapeTest RoundRect(double left, double top, double right, double bottom, double radius) {
  return [=](double x, double y) {
    if (x < left || x > right || y < top || y > bottom) return false;
    const double cx = std::clamp(x, left + radius, right - radius);
    const double cy = std::clamp(y, top + radius, bottom - radius);
    const double dx = x - cx;
    const double dy = y - cy;
    return dx * dx + dy * dy <= radius * radius;
  };
}

ShapeTest Circle(double cx, double cy, double radius) {
  return [=](double x, double y) {
    const double dx = x - cx;
    const double dy = y - cy;
    return dx * dx + dy * dy <= radius * radius;
  };
}

ShapeTest Triangle(double x0, double y0, double x1, double y1, double x2, double y2) {
  return [=](double x, double y) {
    const double d0 = (x1 - x0) * (y - y0) - (y1 - y0) * (x - x0);
    const double d1 = (x2 - x1) * (y - y1) - (y2 - y1) * (x - x1);
    const double d2 = (x0 - x2) * (y - y2) - (y0 - y2) * (x - x2);
    const bool anyNegative = d0 < 0 || d1 < 0 || d2 < 0;
    const bool anyPositive = d0 > 0 || d1 > 0 || d2 > 0;
    return !(anyNegative && anyPositive);
  };
}

ShapeTest Rect(double left, double top, double right, double bottom) {
  return [=](double x, double y) { return x >= left && x < right && y >= top && y < bottom; };
}

bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}
