#include "link/CommandLine.h"

#include <cstdio>

bool FormatKeyCommand(int zone, bool hold, std::int32_t code, char (&out)[KeyCommandSize]) {
  out[0] = '\0';
  if (code >= FirstUnsentCode) return false;
  const int action = hold ? 2 : 1;
  // Any int fits: the longest possible text is 38 characters.
  std::snprintf(out, sizeof out, "%d 17 %d %d", zone, action, static_cast<int>(code));
  return true;
}
