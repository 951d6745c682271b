#include "framework/Controls.h"

#include <algorithm>

#include "framework/Application.h"

namespace {

// The window property that leads from a window to its control object.
const char* const kControlProp = "OrvantControl";

}  // namespace

// ---------------------------------------------------------------- TControl

TControl::TControl(TComponent* owner) : TComponent(owner) {}

TControl::~TControl() {
  if (parent_) parent_->RemoveControl(this);
}

void TControl::SetParent(TWinControl* parent) {
  if (parent == parent_) return;
  if (parent_) parent_->RemoveControl(this);
  if (parent) parent->InsertControl(this);
}

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
  if (font_handle_) DeleteObject(font_handle_);
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

void TWinControl::RemoveControl(TControl* control) {
  control->Invalidate();
  controls_.erase(std::remove(controls_.begin(), controls_.end(), control), controls_.end());
  control->parent_ = nullptr;
  if (auto* win = dynamic_cast<TWinControl*>(control)) {
    if (win->handle_) win->DestroyWnd();
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

void TWinControl::CreateWnd() {
  TCreateParams params;
  CreateParams(params);
  HWND hwnd = CreateWindowExA(params.ExStyle, params.ClassName.c_str(), params.Caption.c_str(),
                              params.Style, params.X, params.Y, params.Width, params.Height,
                              params.WndParent, nullptr, GetModuleHandleA(nullptr), nullptr);
  if (!hwnd) {
    throw EOutOfResources("Error creating window");
  }
  handle_ = hwnd;
  SetPropA(hwnd, kControlProp, this);
  original_proc_ = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&SubclassProc)));
  ApplyFont();
  HandleCreated();
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
  if (font_handle_) DeleteObject(font_handle_);
  font_handle_ = created;
}

void TWinControl::UpdateBoundsFromWindow() {
  if (!handle_) return;
  RECT r;
  GetWindowRect(handle_, &r);
  if (parent_ && parent_->HandleAllocated()) {
    MapWindowPoints(HWND_DESKTOP, parent_->Handle(), reinterpret_cast<POINT*>(&r), 2);
  }
  TControl::SetBounds(r.left, r.top, r.right - r.left, r.bottom - r.top);
}

TWinControl* TWinControl::FromHandle(HWND hwnd) {
  return static_cast<TWinControl*>(GetPropA(hwnd, kControlProp));
}

LRESULT TWinControl::DefaultHandler(UINT msg, WPARAM wParam, LPARAM lParam) {
  return CallWindowProcA(original_proc_, handle_, msg, wParam, lParam);
}

LRESULT TWinControl::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  return DefaultHandler(msg, wParam, lParam);
}

LRESULT CALLBACK TWinControl::SubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  TWinControl* control = FromHandle(hwnd);
  if (!control) return DefWindowProcA(hwnd, msg, wParam, lParam);
  if (msg == WM_NCDESTROY) {
    WNDPROC original = control->original_proc_;
    RemovePropA(hwnd, kControlProp);
    SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
    control->handle_ = nullptr;
    return CallWindowProcA(original, hwnd, msg, wParam, lParam);
  }
  // No exception may cross the system's window procedure frames: anything a
  // handler raises is reported here and the message counts as handled.
  try {
    return control->WndProc(msg, wParam, lParam);
  } catch (...) {
    Application->HandleException(control);
    return 0;
  }
}
