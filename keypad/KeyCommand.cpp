#include "keypad/KeyCommand.h"

#include "keypad/KeyTable.h"
#include "link/CommandLine.h"
#include "link/SendLine.h"

void SendKeyCommand(int zone, bool hold, int slot) {
  char line[KeyCommandSize];
  if (!FormatKeyCommand(zone, hold, KeyTable[slot].Code, line)) return;
  SendLine(line, true);
}
