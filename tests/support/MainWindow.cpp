#include "support/MainWindow.h"

#include "app/MainForm.h"
#include "framework/Application.h"
#include "support/Pump.h"

void EnsureMainWindow() {
  if (Main) return;
  Application->Title = ProgramTitle;
  Application->CreateForm(Main);
  PumpFor(50);
}
