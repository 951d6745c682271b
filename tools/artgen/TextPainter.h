#pragma once

#include <string>

#include "tools/artgen/Canvas.h"

struct FT_LibraryRec_;
struct FT_FaceRec_;

// Draws single lines of ASCII text with one font file through FreeType,
// grey-scale anti-aliased with light hinting so small legends stay crisp.
// Pen positions are whole pixels, so a run gives the same pixels every time.
class TextPainter {
 public:
  explicit TextPainter(const std::string& fontPath);  // throws std::runtime_error
  ~TextPainter();
  TextPainter(const TextPainter&) = delete;
  TextPainter& operator=(const TextPainter&) = delete;

  // Em size in pixels; fractional sizes give finer steps for fitting legends.
  void SetPixelSize(double px);
  // Height of a capital letter above the baseline, in whole pixels.
  int CapHeight() const;
  // Ink extent of the text: first and one-past-last column relative to the pen start.
  void InkSpan(const std::string& text, double spacing, int* first, int* end) const;
  void Draw(Canvas& canvas, const std::string& text, int left, int baseline, Rgb colour,
            double spacing = 0) const;
  // Centres the text's ink (not its advance) on cx.
  void DrawCentred(Canvas& canvas, const std::string& text, double cx, int baseline, Rgb colour,
                   double spacing = 0) const;

 private:
  template <typename Visit>
  void ForEachGlyph(const std::string& text, double spacing, Visit visit) const;

  FT_LibraryRec_* library_ = nullptr;
  FT_FaceRec_* face_ = nullptr;
};
