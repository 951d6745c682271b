#include "framework/Graphics.h"

#include "framework/Platform.h"

COLORREF ColorToRGB(TColor color) {
  if (color & 0x80000000) return GetSysColor(static_cast<int>(color & 0xFF));
  return color;
}

HFONT TFont::CreateHandle() const {
  BYTE pitch = DEFAULT_PITCH;
  if (Pitch == TFontPitch::Fixed) pitch = FIXED_PITCH;
  // A negative height asks for the character height rather than the cell.
  return Platform.CreateFontA(-Height, 0, 0, 0, Bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE, CharSet,
                     OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, pitch | FF_DONTCARE,
                     Name.c_str());
}
