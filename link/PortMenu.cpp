// The Port menu: each of the entries COM1 to COM8 opens the port of its own
// number, its Tag.
#include "app/MainForm.h"
#include "link/SerialPort.h"

void TMain::MenuCOMClick(TObject* Sender) {
  auto* entry = static_cast<TMenuItem*>(Sender);
  // Marked before the open is tried; OpenPort leaves the mark only on a
  // port that opened.
  entry->SetChecked(true);
  OpenPort(static_cast<DWORD>(entry->Tag));
}
