// Colours and fonts.
#pragma once

#include <windows.h>

#include <string>

using TColor = COLORREF;

// The system's window-text colour, resolved when drawn.
constexpr TColor clWindowText = 0x80000008;

// Resolves system colours to an RGB value.
COLORREF ColorToRGB(TColor color);

enum class TFontPitch { Default, Fixed };

struct TFont {
  std::string Name = "MS Sans Serif";
  int Height = 10;  // character height in pixels
  bool Bold = false;
  TFontPitch Pitch = TFontPitch::Default;
  BYTE CharSet = DEFAULT_CHARSET;
  TColor Color = clWindowText;

  // A new GDI font for these properties; the caller owns it.
  HFONT CreateHandle() const;
};
