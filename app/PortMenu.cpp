// The Port menu: each of the entries COM1 to COM8 opens the port of its own
// number, its Tag; the marks follow what the link reports.
#include "app/MainForm.h"
#include "link/SerialPort.h"

void TMain::MenuCOMClick(TObject* Sender) {
  auto* entry = static_cast<TMenuItem*>(Sender);
  // Marked before the open is tried; what OpenPort reports leaves the mark
  // only on a port that opened.
  entry->SetChecked(true);
  OpenPort(static_cast<DWORD>(entry->Tag));
}

void TMain::ShowPortMarks(DWORD port) {
  TMenuItem* const entries[] = {MenuCOM1, MenuCOM2, MenuCOM3, MenuCOM4,
                                MenuCOM5, MenuCOM6, MenuCOM7, MenuCOM8};
  if (port >= 1 && port <= 8) {
    // The radio rule clears the other entries.
    entries[port - 1]->SetChecked(true);
    return;
  }
  for (TMenuItem* entry : entries) entry->SetChecked(false);
}
