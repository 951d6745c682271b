#include "framework/UtilWindow.h"

#include "framework/Application.h"
#include "framework/SysUtils.h"

const char* const UtilWindowClassName = "TPUtilWindow";

namespace {

// What a utility window's GWLP_USERDATA points to: the handler it was made
// for. Owned by the window; freed by DeallocateUtilWindow after the window
// is gone.
struct UtilWindowBinding {
  TUtilWindowMethod Method;
};

LRESULT CALLBACK BoundWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* binding = reinterpret_cast<UtilWindowBinding*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (!binding) return DefWindowProcA(hwnd, msg, wParam, lParam);
  // No exception may cross the system's frames that called us; the bound
  // objects guard their own handlers, this is the last resort.
  try {
    return binding->Method(hwnd, msg, wParam, lParam);
  } catch (...) {
    Application->HandleException(nullptr);
    return 0;
  }
}

// The class is registered with the platform's default procedure and nothing
// else, once per instance. A class of the same name that some other code
// registered with another procedure is replaced, so that creation messages
// never reach a stranger's procedure. (Unregistering fails while windows of
// the old class still exist; the new window is then made from the old class,
// which is harmless because its procedure is replaced right after creation.)
void EnsureUtilWindowClass(HINSTANCE instance) {
  WNDCLASSA existing{};
  const bool registered = GetClassInfoA(instance, UtilWindowClassName, &existing) != FALSE;
  if (registered) {
    if (existing.lpfnWndProc == &DefWindowProcA) return;
    UnregisterClassA(UtilWindowClassName, instance);
  }
  WNDCLASSA wc{};
  wc.lpfnWndProc = &DefWindowProcA;
  wc.hInstance = instance;
  wc.lpszClassName = UtilWindowClassName;
  RegisterClassA(&wc);
}

}  // namespace

HWND AllocateUtilWindow(TUtilWindowMethod method) {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  EnsureUtilWindowClass(instance);
  HWND hwnd = CreateWindowExA(0, UtilWindowClassName, "", 0, 0, 0, 0, 0, nullptr, nullptr, instance,
                              nullptr);
  if (!hwnd) throw EOutOfResources("Error creating window");
  auto* binding = new UtilWindowBinding{std::move(method)};
  SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(binding));
  SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&BoundWindowProc));
  return hwnd;
}

void DeallocateUtilWindow(HWND hwnd) {
  if (!hwnd) return;
  auto* binding = reinterpret_cast<UtilWindowBinding*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  DestroyWindow(hwnd);
  delete binding;
}
