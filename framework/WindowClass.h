// How a window of one of the framework's own classes finds its object: the
// object is handed over as the creation parameter and kept in the window's
// GWLP_USERDATA from WM_NCCREATE to WM_NCDESTROY. (A system control the
// framework subclasses finds it through its subclass data instead.) Used by
// utility windows and own-class controls alike.
#pragma once

#include <windows.h>

// Registers `wc` (its hInstance, name and procedure) unless a class of that
// name is already registered with the same procedure. A class of that name
// that other code registered with another procedure is replaced: windows
// made of it would never reach the framework. False when the class cannot
// be registered.
bool EnsureWindowClass(const WNDCLASSA& wc);

// For a framework window procedure, on every message: binds the window to
// its creation parameter at WM_NCCREATE, and answers the bound object (null
// before the binding, and for a window made with none).
template <class T>
T* BoundObject(HWND hwnd, UINT msg, LPARAM lParam) {
  if (msg == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  return reinterpret_cast<T*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
}

// Ends the binding (at WM_NCDESTROY): later messages find no object.
inline void UnbindWindow(HWND hwnd) { SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0); }
