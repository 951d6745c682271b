#include "framework/WindowClass.h"

#include "framework/Platform.h"

bool EnsureWindowClass(const WNDCLASSA& wc) {
  WNDCLASSA existing{};
  if (GetClassInfoA(wc.hInstance, wc.lpszClassName, &existing)) {
    if (existing.lpfnWndProc == wc.lpfnWndProc) return true;
    UnregisterClassA(wc.lpszClassName, wc.hInstance);
  }
  return Platform.RegisterClassA(&wc) != 0;
}
