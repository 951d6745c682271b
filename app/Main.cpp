// The program's entry: the application object, the one window, the loop.
#include <windows.h>

#include "app/MainForm.h"
#include "app/TerminalPane.h"
#include "framework/Application.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  try {
    Application->Initialize();
    Application->Title = ProgramTitle;
    Application->CreateForm(Main);
    Application->Run();
    // Lines still on their way to the pane go nowhere from here on.
    EndLineHandOver();
  } catch (const Exception& e) {
    Application->ShowException(e);
  }
  return 0;
}
