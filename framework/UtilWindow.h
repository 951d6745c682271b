// Hidden utility windows: a window that is never shown and exists only to
// receive messages for a non-visual framework object (a timer's WM_TIMER, a
// queued call handed to the main thread). Each window is bound to one
// handler, so its messages reach that object alone.
// A utility window belongs to the thread that made it: make it, use it and
// free it on that thread.
#pragma once

#include <windows.h>

#include <functional>

// Receives every message of one utility window. Messages it does not handle
// itself go to DefWindowProcA.
using TUtilWindowMethod = std::function<LRESULT(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)>;

// The class every utility window is made of.
extern const char* const UtilWindowClassName;

// Makes a hidden window of class "TPUtilWindow" (registering the class for
// the program's instance when needed) and binds its window procedure to
// `method`. Raises EOutOfResources when the window cannot be made.
HWND AllocateUtilWindow(TUtilWindowMethod method);

// Destroys a window made by AllocateUtilWindow and releases its binding.
// The method still receives the messages of the destruction itself.
void DeallocateUtilWindow(HWND hwnd);
