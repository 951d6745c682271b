#include "app/TypedLine.h"

#include <cstring>

std::size_t TypedLength(const TypedLineBuffer& line) {
  const void* end = std::memchr(line.Text, '\0', sizeof line.Text);
  return static_cast<const char*>(end) - line.Text;
}

void ApplyTypedChar(TypedLineBuffer& line, char c) {
  const std::size_t n = TypedLength(line);
  if (c == BackspaceChar) {
    if (n > 0) line.Text[n - 1] = '\0';
    return;
  }
  if (c == '\0' || n >= TypedLineCapacity) return;
  line.Text[n] = c;
  line.Text[n + 1] = '\0';
}

const char* TypedText(const TypedLineBuffer& line) { return line.Text; }

void EmptyTypedLine(TypedLineBuffer& line) { line.Text[0] = '\0'; }
