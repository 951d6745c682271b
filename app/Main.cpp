// The program's entry: the application object, the one window, the loop.
#include <windows.h>

#include "app/MainForm.h"
#include "framework/Application.h"
#include "framework/Mailbox.h"
#include "link/SerialPort.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  try {
    Application->Initialize();
    Application->Title = ProgramTitle;
    Application->CreateForm(Main);
    Application->Run();
    // The receiver is stopped and the port given back its time-outs while
    // the window still exists; work still on its way to the window (lines
    // for the pane) is dropped, never run.
    ClosePort();
    CloseMailbox();
  } catch (const Exception& e) {
    Application->ShowException(e);
  }
  return 0;
}
