// The program's entry: the application object, the one window, the loop.
#include <windows.h>

#include "app/MainForm.h"
#include "framework/Application.h"
#include "framework/Mailbox.h"
#include "link/LinkReports.h"
#include "link/SerialPort.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  try {
    Application->Initialize();
    Application->Title = ProgramTitle;
    Application->CreateForm(Main);
    Application->Run();
  } catch (...) {
    // Whatever escapes (the framework's Exception, std::bad_alloc, anything)
    // is shown as the exception box shows what escapes a handler. Should
    // even that fail (no memory left), the close below still runs.
    try {
      Application->HandleException(nullptr);
    } catch (...) {
    }
  }
  // Also after a failure: the receiver is stopped and the port given back
  // its time-outs while the window still exists; work still on its way to
  // the window (lines for the pane) is dropped, never run. Then the link
  // reports nothing more: the window goes with the application object, at
  // the process's end, and no report may reach it then.
  ClosePort();
  CloseMailbox();
  InstallLinkReports({});
  return 0;
}
