// The line the user types into the terminal pane, built from the pane's
// character events alone (never read back from the pane's text). The global
// TypedLine is used on the window's thread only: CommBuffKeyPress applies
// each character and, on Enter, sends the text and empties it.
#pragma once

#include <cstddef>

// Characters the typed line holds; more are not stored.
constexpr std::size_t TypedLineCapacity = 63;

constexpr char BackspaceChar = 8;
constexpr char EnterChar = 13;

struct TypedLineBuffer {
  char Text[TypedLineCapacity + 1] = {};  // zero-terminated
};

// Backspace removes the last character when there is one; any other
// character, Enter's CR included, is appended while fewer than 63 are stored
// and dropped after that. A zero character is never stored: the line is sent
// as zero-terminated text and could not carry it.
void ApplyTypedChar(TypedLineBuffer& line, char c);

// The characters typed since the line was last emptied, zero-terminated.
const char* TypedText(const TypedLineBuffer& line);

std::size_t TypedLength(const TypedLineBuffer& line);

void EmptyTypedLine(TypedLineBuffer& line);
