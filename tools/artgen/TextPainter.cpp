#include "tools/artgen/TextPainter.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <climits>
#include <cmath>
#include <stdexcept>

namespace {

constexpr FT_Int32 kLoadFlags = FT_LOAD_RENDER | FT_LOAD_TARGET_LIGHT;

}  // namespace

TextPainter::TextPainter(const std::string& fontPath) {
  if (FT_Init_FreeType(&library_) != 0) throw std::runtime_error("FreeType did not start");
  if (FT_New_Face(library_, fontPath.c_str(), 0, &face_) != 0) {
    FT_Done_FreeType(library_);
    throw std::runtime_error("cannot load font " + fontPath);
  }
}

TextPainter::~TextPainter() {
  FT_Done_Face(face_);
  FT_Done_FreeType(library_);
}

void TextPainter::SetPixelSize(double px) {
  // At 72 dpi a point is a pixel.
  if (FT_Set_Char_Size(face_, 0, static_cast<FT_F26Dot6>(std::lround(px * 64.0)), 72, 72) != 0) {
    throw std::runtime_error("font size not available");
  }
}

int TextPainter::CapHeight() const {
  if (FT_Load_Char(face_, 'H', kLoadFlags) != 0) return 0;
  return face_->glyph->bitmap_top;
}

// Calls visit(glyph slot, pen x) for each character, with the glyph rendered.
// Light hinting leaves horizontal shapes alone, so the pen follows the
// unhinted advances (16.16 fixed point) and each glyph lands on the nearest
// whole pixel: text keeps its designed width instead of growing by a
// rounding per letter.
template <typename Visit>
void TextPainter::ForEachGlyph(const std::string& text, double spacing, Visit visit) const {
  FT_Fixed pen = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (FT_Load_Char(face_, static_cast<unsigned char>(text[i]), kLoadFlags) != 0) continue;
    visit(face_->glyph, static_cast<int>((pen + 0x8000) >> 16));
    pen += face_->glyph->linearHoriAdvance;
    if (i + 1 < text.size()) pen += static_cast<FT_Fixed>(std::lround(spacing * 65536.0));
  }
}

void TextPainter::InkSpan(const std::string& text, double spacing, int* first, int* end) const {
  int lo = INT_MAX;
  int hi = INT_MIN;
  ForEachGlyph(text, spacing, [&](FT_GlyphSlot g, int pen) {
    if (g->bitmap.width == 0) return;
    const int left = pen + g->bitmap_left;
    lo = std::min(lo, left);
    hi = std::max(hi, left + static_cast<int>(g->bitmap.width));
  });
  if (lo > hi) lo = hi = 0;
  *first = lo;
  *end = hi;
}

void TextPainter::Draw(Canvas& canvas, const std::string& text, int left, int baseline,
                       Rgb colour, double spacing) const {
  ForEachGlyph(text, spacing, [&](FT_GlyphSlot g, int pen) {
    const FT_Bitmap& bm = g->bitmap;
    const int x0 = left + pen + g->bitmap_left;
    const int y0 = baseline - g->bitmap_top;
    for (unsigned row = 0; row < bm.rows; ++row) {
      const unsigned char* line = bm.buffer + static_cast<ptrdiff_t>(row) * bm.pitch;
      for (unsigned col = 0; col < bm.width; ++col) {
        if (line[col] != 0) {
          canvas.Blend(x0 + static_cast<int>(col), y0 + static_cast<int>(row), colour,
                       line[col] / 255.0);
        }
      }
    }
  });
}

void TextPainter::DrawCentred(Canvas& canvas, const std::string& text, double cx, int baseline,
                              Rgb colour, double spacing) const {
  int first = 0;
  int end = 0;
  InkSpan(text, spacing, &first, &end);
  const int left = static_cast<int>(std::floor(cx - (first + end) / 2.0 + 0.5));
  Draw(canvas, text, left, baseline, colour, spacing);
}
