#include "framework/UtilWindow.h"

#include "framework/Application.h"
#include "framework/SysUtils.h"

const char* const UtilWindowClassName = "TPUtilWindow";

namespace {

// What a utility window's GWLP_USERDATA points to: the handler it was made
// for. Made by AllocateUtilWindow, handed to the window at WM_NCCREATE and
// freed by DeallocateUtilWindow once the window is gone.
struct UtilWindowBinding {
  TUtilWindowMethod Method;
};

LRESULT CALLBACK UtilWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* binding = reinterpret_cast<UtilWindowBinding*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (!binding) return DefWindowProcA(hwnd, msg, wParam, lParam);
  if (msg == WM_NCDESTROY) SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
  // No exception may cross the system's frames that called us; the bound
  // objects guard their own handlers, this is the last resort.
  try {
    return binding->Method(hwnd, msg, wParam, lParam);
  } catch (...) {
    Application->HandleException(nullptr);
    return 0;
  }
}

// Registers the class once per instance with the procedure above. A class of
// that name registered by other code with another procedure is replaced;
// should that fail, no window is made from it.
bool EnsureUtilWindowClass(HINSTANCE instance, const char* className) {
  WNDCLASSA existing{};
  if (GetClassInfoA(instance, className, &existing)) {
    if (existing.lpfnWndProc == &UtilWindowProc) return true;
    UnregisterClassA(className, instance);
  }
  WNDCLASSA wc{};
  wc.lpfnWndProc = &UtilWindowProc;
  wc.hInstance = instance;
  wc.lpszClassName = className;
  return RegisterClassA(&wc) != 0;
}

}  // namespace

HWND AllocateUtilWindow(TUtilWindowMethod method, const char* className, HWND parent) {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  if (!EnsureUtilWindowClass(instance, className)) throw EOutOfResources("Error creating window");
  auto* binding = new UtilWindowBinding{std::move(method)};
  HWND hwnd = CreateWindowExA(0, className, "", 0, 0, 0, 0, 0, parent, nullptr, instance, binding);
  if (!hwnd) {
    delete binding;
    throw EOutOfResources("Error creating window");
  }
  return hwnd;
}

void DeallocateUtilWindow(HWND hwnd) {
  if (!hwnd) return;
  auto* binding = reinterpret_cast<UtilWindowBinding*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  DestroyWindow(hwnd);
  delete binding;
}
