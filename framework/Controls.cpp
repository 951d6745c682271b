#include "framework/Controls.h"

#include <commctrl.h>

#include <algorithm>

#include "framework/Application.h"
#include "framework/Platform.h"
#include "framework/WindowClass.h"

// ---------------------------------------------------------------- TControl

TControl::TControl(TComponent* owner) : TComponent(owner) {}

TControl::~TControl() = default;

void TControl::SetParent(TWinControl* parent) { parent->InsertControl(this); }

void TControl::SetBounds(int left, int top, int width, int height) {
  if (left == left_ && top == top_ && width == width_ && height == height_) return;
  left_ = left;
  top_ = top;
  width_ = width;
  height_ = height;
  BoundsChanged();
}

void TControl::SetVisible(bool visible) { visible_ = visible; }

void TControl::Invalidate() {}

void TControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (OnMouseDown) OnMouseDown(this, button, shift, x, y);
}

void TControl::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  if (OnMouseUp) OnMouseUp(this, button, shift, x, y);
}

void TControl::CaptureLost() {
  if (OnCaptureLost) OnCaptureLost(this);
}

// --------------------------------------------------------- TGraphicControl

void TGraphicControl::Invalidate() {
  if (parent_ && parent_->HandleAllocated()) {
    RECT r = BoundsRect();
    InvalidateRect(parent_->Handle(), &r, FALSE);
  }
}

void TGraphicControl::SetVisible(bool visible) {
  if (visible == visible_) return;
  visible_ = visible;
  Invalidate();
}

void TGraphicControl::SetBounds(int left, int top, int width, int height) {
  if (left == left_ && top == top_ && width == width_ && height == height_) return;
  if (visible_) Invalidate();  // the old area
  TControl::SetBounds(left, top, width, height);
  if (visible_) Invalidate();  // the new one
}

// ------------------------------------------------------------- TWinControl

TWinControl::TWinControl(TComponent* owner) : TControl(owner) {}

TWinControl::~TWinControl() {
  destroying_ = true;
  // Children are owned elsewhere (by the form); they only lose their parent.
  for (TControl* child : controls_) child->parent_ = nullptr;
  controls_.clear();
  if (handle_) DestroyWnd();
  if (fontHandle_) DeleteObject(fontHandle_);
}

HWND TWinControl::Handle() {
  if (!handle_) CreateWnd();
  return handle_;
}

void TWinControl::InsertControl(TControl* control) {
  controls_.push_back(control);
  control->parent_ = this;
  if (auto* win = dynamic_cast<TWinControl*>(control)) {
    if (handle_) win->HandleNeeded();
  } else {
    control->Invalidate();
  }
}

void TWinControl::CreateParams(TCreateParams& params) {
  params.Style = WS_CHILD | WS_CLIPSIBLINGS;
  if (visible_) params.Style |= WS_VISIBLE;
  if (TabStop) params.Style |= WS_TABSTOP;
  params.X = left_;
  params.Y = top_;
  params.Width = std::max(width_, 0);
  params.Height = std::max(height_, 0);
  params.WndParent = parent_ ? parent_->Handle() : nullptr;
}

// Own classes are registered once per instance, always with this
// framework's procedure, so the first message already finds the control.
void TWinControl::EnsureOwnClass(const TCreateParams& params) {
  // No CS_DBLCLKS: the second press of a double click is a press like any other.
  WNDCLASSA wc{};
  wc.lpfnWndProc = &OwnClassProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.hCursor = params.ClassCursor ? LoadCursorA(nullptr, params.ClassCursor) : nullptr;
  wc.lpszClassName = params.ClassName.c_str();
  if (!EnsureWindowClass(wc)) throw EOutOfResources("Error creating window");
}

void TWinControl::CreateWnd() {
  TCreateParams params;
  CreateParams(params);
  ownClass_ = params.OwnClass;
  if (ownClass_) EnsureOwnClass(params);
  creating_ = true;
  // An own class binds the control at WM_NCCREATE from the creation
  // parameter; a system class's window is subclassed once it exists.
  HWND hwnd = Platform.CreateWindowExA(params.ExStyle, params.ClassName.c_str(), params.Caption.c_str(),
                              params.Style, params.X, params.Y, params.Width, params.Height,
                              params.WndParent, nullptr, GetModuleHandleA(nullptr),
                              ownClass_ ? this : nullptr);
  if (!hwnd) {
    creating_ = false;
    throw EOutOfResources("Error creating window");
  }
  if (!ownClass_) {
    handle_ = hwnd;
    // A window the control does not hear would be one it cannot follow.
    if (!Platform.SetWindowSubclass(hwnd, &SubclassProc, 0, reinterpret_cast<DWORD_PTR>(this))) {
      handle_ = nullptr;
      DestroyWindow(hwnd);
      creating_ = false;
      throw EOutOfResources("Error creating window");
    }
  }
  ApplyFont();
  HandleCreated();
  creating_ = false;
  for (TControl* child : controls_) {
    if (auto* win = dynamic_cast<TWinControl*>(child)) win->HandleNeeded();
  }
}

void TWinControl::DestroyWnd() {
  if (!handle_) return;
  HandleDestroying();
  // WM_NCDESTROY (SubclassProc) clears handle_ for this window and every child.
  DestroyWindow(handle_);
  handle_ = nullptr;
}

void TWinControl::RecreateWnd() {
  if (!handle_) return;
  DestroyWnd();
  CreateWnd();
}

void TWinControl::SetBounds(int left, int top, int width, int height) {
  if (left == left_ && top == top_ && width == width_ && height == height_) return;
  TControl::SetBounds(left, top, width, height);
  if (handle_) {
    SetWindowPos(handle_, nullptr, left_, top_, std::max(width_, 0), std::max(height_, 0),
                 SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

void TWinControl::SetVisible(bool visible) {
  if (visible == visible_) return;
  visible_ = visible;
  if (handle_) ShowWindow(handle_, visible ? SW_SHOW : SW_HIDE);
}

void TWinControl::Invalidate() {
  if (handle_) InvalidateRect(handle_, nullptr, TRUE);
}

void TWinControl::SetFont(const TFont& font) {
  Font = font;
  ParentFont = false;
  ApplyFont();
}

void TWinControl::ApplyFont() {
  if (!handle_) return;
  const TFont& font = (ParentFont && parent_) ? parent_->Font : Font;
  HFONT created = font.CreateHandle();
  SendMessageA(handle_, WM_SETFONT, reinterpret_cast<WPARAM>(created), TRUE);
  if (fontHandle_) DeleteObject(fontHandle_);
  fontHandle_ = created;
}

namespace {

// The question a window of the framework's answers with its control object.
UINT ControlQueryMessage() {
  static const UINT message = RegisterWindowMessageA("TOrvantControlQuery");
  return message;
}

}  // namespace

// Only the framework's own procedures answer the question; any other window
// (of another class, or another program's) answers 0, so nothing is read
// out of a window that is not the framework's. Controls live on the thread
// that asks, so the answer is a plain call, never a wait.
TWinControl* TWinControl::FromHandle(HWND hwnd) {
  if (!hwnd || GetWindowThreadProcessId(hwnd, nullptr) != GetCurrentThreadId()) return nullptr;
  return reinterpret_cast<TWinControl*>(SendMessageA(hwnd, ControlQueryMessage(), 0, 0));
}

namespace {

// A subclass procedure installed with SetWindowSubclass receives Unicode
// messages, also for a window made with the ANSI calls, when the common
// controls install it as a Unicode procedure (so on Windows with version 6
// of them, and under Wine). Without that (a build or run with the older
// version) it receives ANSI ones. Controls work with single-byte ANSI
// characters throughout, so a Unicode character message is turned into the
// ANSI code unit on its way to the control and back on its way on, and an
// ANSI one is left alone: converting that too would turn bytes 0x80-0x9F
// into '?'. IsWindowUnicode answers for the subclass procedure because no
// procedure is put in front of it.
WPARAM AnsiChar(WPARAM wide) {
  const wchar_t in = static_cast<wchar_t>(wide);
  char out = '?';
  WideCharToMultiByte(CP_ACP, 0, &in, 1, &out, 1, nullptr, nullptr);
  return static_cast<unsigned char>(out);
}

WPARAM WideChar(WPARAM ansi) {
  const char in = static_cast<char>(ansi);
  wchar_t out = L'?';
  MultiByteToWideChar(CP_ACP, 0, &in, 1, &out, 1);
  return static_cast<WPARAM>(out);
}

}  // namespace

LRESULT TWinControl::DefaultHandler(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (ownClass_) return DefWindowProcA(handle_, msg, wParam, lParam);
  if (msg == WM_CHAR && IsWindowUnicode(handle_)) wParam = WideChar(wParam);
  return DefSubclassProc(handle_, msg, wParam, lParam);
}

LRESULT TWinControl::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  return DefaultHandler(msg, wParam, lParam);
}

// No exception may cross the system's window procedure frames: anything a
// handler raises is reported here and the message counts as handled.
LRESULT TWinControl::Dispatch(UINT msg, WPARAM wParam, LPARAM lParam) {
  try {
    return WndProc(msg, wParam, lParam);
  } catch (...) {
    Application->HandleException(this);
    return 0;
  }
}

LRESULT CALLBACK TWinControl::OwnClassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  TWinControl* control = BoundObject<TWinControl>(hwnd, msg, lParam);
  if (!control) return DefWindowProcA(hwnd, msg, wParam, lParam);
  if (msg == WM_NCCREATE) control->handle_ = hwnd;
  if (msg == ControlQueryMessage()) return reinterpret_cast<LRESULT>(control);
  if (msg == WM_NCDESTROY) {
    UnbindWindow(hwnd);
    control->handle_ = nullptr;
    return DefWindowProcA(hwnd, msg, wParam, lParam);
  }
  return control->Dispatch(msg, wParam, lParam);
}

LRESULT CALLBACK TWinControl::SubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam,
                                           UINT_PTR id, DWORD_PTR data) {
  auto* control = reinterpret_cast<TWinControl*>(data);
  if (msg == WM_NCDESTROY) {
    RemoveWindowSubclass(hwnd, &SubclassProc, id);
    control->handle_ = nullptr;
    return DefSubclassProc(hwnd, msg, wParam, lParam);
  }
  if (msg == ControlQueryMessage()) return reinterpret_cast<LRESULT>(control);
  if (msg == WM_CHAR && IsWindowUnicode(hwnd)) wParam = AnsiChar(wParam);
  return control->Dispatch(msg, wParam, lParam);
}
