#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct Rgb {
  uint8_t R;
  uint8_t G;
  uint8_t B;
};

// An inclusive pixel rectangle to search when filling a shape.
struct PixelBox {
  int Left;
  int Top;
  int Right;
  int Bottom;
};

// Point-in-shape test in picture coordinates; pixel (x, y) covers the square
// [x, x+1) x [y, y+1).
using ShapeTest = std::function<bool(double x, double y)>;
// Colour of a shape at a pixel, for shaded faces.
using Shader = std::function<Rgb(int x, int y)>;

// A top-down 24-bit picture. Shapes are anti-aliased by a fixed 4 x 4
// supersampling so the output is the same byte for byte on every run.
class Canvas {
 public:
  Canvas(int width, int height, Rgb fill);

  int Width() const { return width_; }
  int Height() const { return height_; }
  Rgb At(int x, int y) const;
  void Set(int x, int y, Rgb c);
  // Mixes c over the pixel with the given weight (0..1); outside pixels are ignored.
  void Blend(int x, int y, Rgb c, double alpha);

  // Returns the fraction (0..1) of the pixel's 16 sample points inside the shape.
  static double Coverage(const ShapeTest& inside, int x, int y);

  void Fill(const PixelBox& box, const ShapeTest& inside, Rgb c);
  void Fill(const PixelBox& box, const ShapeTest& inside, const Shader& shade);

  // Uncompressed bottom-up 24-bit BMP with a 54-byte header.
  std::vector<uint8_t> EncodeBmp() const;

 private:
  int width_;
  int height_;
  std::vector<Rgb> pixels_;
};

// Shape tests used by both pictures.
ShapeTest RoundRect(double left, double top, double right, double bottom, double radius);
ShapeTest Circle(double cx, double cy, double radius);
ShapeTest Triangle(double x0, double y0, double x1, double y1, double x2, double y2);
ShapeTest Rect(double left, double top, double right, double bottom);

bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes);
