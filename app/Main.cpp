// The program's entry: the application object, the one window, the loop.
#include <windows.h>

#include "app/MainForm.h"
#include "app/TerminalPane.h"
#include "framework/Application.h"
#include "link/SerialPort.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  try {
    Application->Initialize();
    Application->Title = ProgramTitle;
    Application->CreateForm(Main);
    Application->Run();
    // The receiver is stopped and the port given back its time-outs while
    // the window still exists; lines still on their way to the pane go
    // nowhere from here on.
    ClosePort();
    EndLineHandOver();
  } catch (const Exception& e) {
    Application->ShowException(e);
  }
  return 0;
}
