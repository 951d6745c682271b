#pragma once

#include <string>

#include "tools/artgen/Canvas.h"

constexpr int KeypadWidth = 203;
constexpr int KeypadHeight = 628;

// Draws the handheld remote: body, emblem, printed transport symbols and one
// key per defined slot of the key table, centred on the slot's point.
// fontDir holds the DejaVu TrueType files.
Canvas DrawKeypad(const std::string& fontDir);
