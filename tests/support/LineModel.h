// The line rule, stated plainly and one byte at a time, for the tests that
// check the receiver's lines against it: a line feed ends a line (a CR before
// it is kept as part of the line), zero bytes are dropped, and a line never
// grows past 64 characters: a character that would make it longer is the
// first of the next line. A line of 64 characters therefore waits for the
// next byte, and a line feed then ends it as one line.
//
// Plain C++, no test framework and no Win32: the native tests, the fuzzer and
// the Windows tests all use it.
#pragma once

#include <string>
#include <vector>

// The lines the stream gives, in order; `pending` (when given) receives the
// text left waiting for its line feed.
inline std::vector<std::string> ModelLines(const std::string& stream,
                                           std::string* pending = nullptr) {
  std::vector<std::string> lines;
  std::string current;
  for (char c : stream) {
    if (c == '\0') continue;
    if (c == '\n') {
      lines.push_back(current);
      current.clear();
      continue;
    }
    if (current.size() == 64) {
      lines.push_back(current);
      current.clear();
    }
    current += c;
  }
  if (pending != nullptr) *pending = current;
  return lines;
}
