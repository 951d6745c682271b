// Keeps the Wine desktop of a test session open from the session's start to
// its end; scripts/test-session starts it and stops it.
//
// Wine closes its desktop (the explorer.exe /desktop process) soon after the
// last program using it has ended, and the next program that makes a window
// starts a new one first: about a second for every test program, most of a
// run's time when each test case is a program of its own. This program uses
// the desktop and then only waits. It makes no window of its own, so it never
// takes activation, focus or the mouse capture from a test's windows.
//
// Once the desktop is there it writes "ready" and a line break to its
// standard output, which the session waits for.
#include <windows.h>

#include <cstdio>

int main() {
  // Asking for the desktop window joins the process to the desktop and has
  // Wine start its desktop process if none runs yet.
  if (GetDesktopWindow() == nullptr) {
    std::fputs("desktop_holder: no desktop window\n", stderr);
    return 1;
  }
  std::fputs("ready\n", stdout);
  std::fflush(stdout);
  for (;;) Sleep(INFINITE);
}
