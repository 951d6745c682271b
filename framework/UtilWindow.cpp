#include "framework/UtilWindow.h"

#include "framework/Application.h"
#include "framework/Platform.h"
#include "framework/SysUtils.h"
#include "framework/WindowClass.h"

const char* const UtilWindowClassName = "TPUtilWindow";

namespace {

// What a utility window is bound to (framework/WindowClass.h): the handler
// it was made for. Made by AllocateUtilWindow and freed by
// DeallocateUtilWindow once the window is gone.
struct TUtilWindowBinding {
  TUtilWindowMethod Method;
};

LRESULT CALLBACK UtilWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* binding = BoundObject<TUtilWindowBinding>(hwnd, msg, lParam);
  if (!binding) return DefWindowProcA(hwnd, msg, wParam, lParam);
  if (msg == WM_NCDESTROY) UnbindWindow(hwnd);
  // No exception may cross the system's frames that called us; the bound
  // objects guard their own handlers, this is the last resort.
  try {
    return binding->Method(hwnd, msg, wParam, lParam);
  } catch (...) {
    Application->HandleException(nullptr);
    return 0;
  }
}

bool EnsureUtilWindowClass(HINSTANCE instance, const char* className) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = &UtilWindowProc;
  wc.hInstance = instance;
  wc.lpszClassName = className;
  return EnsureWindowClass(wc);
}

}  // namespace

HWND AllocateUtilWindow(TUtilWindowMethod method, const char* className, HWND parent) {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  if (!EnsureUtilWindowClass(instance, className)) throw EOutOfResources("Error creating window");
  auto* binding = new TUtilWindowBinding{std::move(method)};
  HWND hwnd = Platform.CreateWindowExA(0, className, "", 0, 0, 0, 0, 0, parent, nullptr, instance, binding);
  if (!hwnd) {
    delete binding;
    throw EOutOfResources("Error creating window");
  }
  return hwnd;
}

void DeallocateUtilWindow(HWND hwnd) {
  if (!hwnd) return;
  auto* binding = reinterpret_cast<TUtilWindowBinding*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  DestroyWindow(hwnd);
  delete binding;
}
