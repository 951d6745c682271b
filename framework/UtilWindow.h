// Hidden utility windows: a window that is never shown and exists only to
// receive messages for a non-visual framework object (a timer's WM_TIMER, the
// mailbox's wake-up, a thread's hand-over). Each window is bound to one
// handler when it is created, so its messages, the creation messages
// included, reach that object alone.
// A utility window belongs to the thread that made it: make it, use it and
// free it on that thread.
#pragma once

#include <windows.h>

#include <functional>

// Receives every message of one utility window. Messages it does not handle
// itself go to DefWindowProcA.
using TUtilWindowMethod = std::function<LRESULT(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)>;

// The class utility windows are made of unless another is named.
extern const char* const UtilWindowClassName;

// Makes a hidden window of the given class (registered for the program's
// instance with the framework's own window procedure when needed) and binds
// it to `method` from its first message on. `parent` is null for a plain
// top-level window or HWND_MESSAGE for a message-only one. Raises
// EOutOfResources when the window cannot be made.
HWND AllocateUtilWindow(TUtilWindowMethod method, const char* className = UtilWindowClassName,
                        HWND parent = nullptr);

// Destroys a window made by AllocateUtilWindow and releases its binding.
// The method still receives the messages of the destruction itself.
void DeallocateUtilWindow(HWND hwnd);
