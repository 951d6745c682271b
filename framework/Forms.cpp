#include "framework/Forms.h"

#include <windowsx.h>

#include "framework/Application.h"
#include "framework/Menus.h"
#include "framework/Platform.h"
#include "framework/SysUtils.h"

namespace {

const char* const FormClassName = "TOrvantForm";

TMouseButton ButtonOf(UINT msg) {
  switch (msg) {
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
      return TMouseButton::Right;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
      return TMouseButton::Middle;
    default:
      return TMouseButton::Left;
  }
}

// Whether the key state has a button down (each one captures on its press).
bool AnyButtonDown(WPARAM keys) { return (keys & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON)) != 0; }

TShiftState ShiftOf(WPARAM keys) {
  TShiftState shift = 0;
  if (keys & MK_SHIFT) shift |= ssShift;
  if (keys & MK_CONTROL) shift |= ssCtrl;
  if (keys & MK_LBUTTON) shift |= ssLeft;
  if (keys & MK_RBUTTON) shift |= ssRight;
  if (keys & MK_MBUTTON) shift |= ssMiddle;
  if (GetKeyState(VK_MENU) < 0) shift |= ssAlt;
  return shift;
}

}  // namespace

TForm::TForm(TComponent* owner) : TWinControl(owner) { visible_ = false; }

// The window goes here, not in ~TWinControl: there HandleDestroying would no
// longer reach this class, the menu bar would still be attached, and the
// window would destroy it before its menu component does.
TForm::~TForm() {
  DestroyWnd();
  if (icon_) DestroyIcon(icon_);
}

void TForm::CreateParams(TCreateParams& params) {
  params.ClassName = FormClassName;
  params.OwnClass = true;
  params.ClassCursor = IDC_ARROW;
  params.Caption = Caption;
  params.Style = WS_OVERLAPPED | WS_CAPTION | WS_CLIPCHILDREN;
  if (BorderIcons & biSystemMenu) params.Style |= WS_SYSMENU;
  if (BorderIcons & biMinimize) params.Style |= WS_MINIMIZEBOX;
  if (BorderIcons & biMaximize) params.Style |= WS_MAXIMIZEBOX;
  params.Style |= WS_THICKFRAME;
  params.X = left_;
  params.Y = top_;
  params.Width = width_;
  params.Height = height_;
  params.WndParent = nullptr;
}

void TForm::HandleCreated() {
  if (menu_) {
    // A window without its menu bar could not be used: then it fails to be
    // made, as it does without a window.
    if (!Platform.SetMenu(handle_, menu_->Handle())) throw EOutOfResources("Error creating menu");
  }
  // Without its icon the window shows the system's.
  if (!IconResource.empty() && !icon_) {
    icon_ = static_cast<HICON>(
        Platform.LoadImageA(GetModuleHandleA(nullptr), IconResource.c_str(), IMAGE_ICON, 32, 32, 0));
  }
  if (icon_) {
    SendMessageA(handle_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
    SendMessageA(handle_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_));
  }
  // The menu bar takes room inside the window; the outer size stays as set.
  SetWindowPos(handle_, nullptr, left_, top_, width_, height_, SWP_NOZORDER | SWP_NOACTIVATE);
}

void TForm::HandleDestroying() {
  // The menu bar belongs to the menu component, not to the window.
  if (menu_) Platform.SetMenu(handle_, nullptr);  // the window goes anyway
}

void TForm::SetMenu(TMainMenu* menu) {
  menu_ = menu;
  if (handle_) {
    if (!Platform.SetMenu(handle_, menu_ ? menu_->Handle() : nullptr)) {
      throw EOutOfResources("Error creating menu");
    }
  }
}

void TForm::SetVisible(bool visible) {
  if (visible == visible_) return;
  visible_ = visible;
  if (Loading) return;  // a form shows itself once it is built
  ShowWindow(Handle(), visible ? SW_SHOW : SW_HIDE);
  UpdateWindow(handle_);
}

void TForm::SetBounds(int left, int top, int width, int height) {
  TWinControl::SetBounds(left, top, width, height);
}

void TForm::AfterConstruction() {
  Loading = false;
  if (OnCreate) OnCreate(this);
  HandleNeeded();
  if (visible_) {
    ShowWindow(handle_, SW_SHOW);
    UpdateWindow(handle_);
  }
}

bool TForm::PreviewKeyPress(char& key) {
  if (!KeyPreview || !OnKeyPress) return false;
  OnKeyPress(this, key);
  return key == 0;
}

TForm* TForm::ParentForm(TControl* control) {
  TControl* top = control;
  while (top && top->Parent()) top = top->Parent();
  return dynamic_cast<TForm*>(top);
}

void TForm::ReadBackBounds() {
  RECT r;
  GetWindowRect(handle_, &r);
  TControl::SetBounds(r.left, r.top, r.right - r.left, r.bottom - r.top);
}

TControl* TForm::ControlAt(int x, int y) {
  const auto& controls = Controls();
  for (auto it = controls.rbegin(); it != controls.rend(); ++it) {
    TControl* c = *it;
    if (dynamic_cast<TWinControl*>(c) || !c->Visible() || !c->WantsMouse()) continue;
    if (x >= c->Left() && x < c->Left() + c->Width() && y >= c->Top() &&
        y < c->Top() + c->Height()) {
      return c;
    }
  }
  return nullptr;
}

bool TForm::MouseMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  const int x = GET_X_LPARAM(lParam);
  const int y = GET_Y_LPARAM(lParam);
  const TMouseButton button = ButtonOf(msg);
  const TShiftState shift = ShiftOf(wParam);
  const bool down = msg == WM_LBUTTONDOWN || msg == WM_RBUTTONDOWN || msg == WM_MBUTTONDOWN;
  if (down) {
    TControl* c = ControlAt(x, y);
    if (!c) return false;
    if (!captureControl_) {
      captureControl_ = c;
      SetCapture(handle_);
    }
    c->MouseDown(button, shift, x - c->Left(), y - c->Top());
    return true;
  }
  // While a control holds the capture, every release goes to it. The
  // capture lasts until no button is down any more (a release's key state tells which buttons are still down), so
  // the release of one of two held buttons does not free the mouse.
  TControl* c = captureControl_ ? captureControl_ : ControlAt(x, y);
  if (captureControl_ && !AnyButtonDown(wParam)) {
    captureControl_ = nullptr;
    ReleaseCapture();
  }
  if (!c) return false;
  c->MouseUp(button, shift, x - c->Left(), y - c->Top());
  return true;
}

void TForm::Paint(HDC hdc, const RECT& area) {
  // Drawn off screen first, so a moving marker never flickers.
  const int w = area.right - area.left;
  const int h = area.bottom - area.top;
  if (w <= 0 || h <= 0) return;
  HDC memory = Platform.CreateCompatibleDC(hdc);
  HBITMAP bitmap = memory ? Platform.CreateCompatibleBitmap(hdc, w, h) : nullptr;
  if (!bitmap) {
    // No off-screen frame to be had: drawn straight on the screen, which may
    // flicker but shows the window.
    if (memory) DeleteDC(memory);
    PaintArea(hdc, area);
    return;
  }
  HGDIOBJ oldBitmap = SelectObject(memory, bitmap);
  SetViewportOrgEx(memory, -area.left, -area.top, nullptr);
  PaintArea(memory, area);
  SetViewportOrgEx(memory, 0, 0, nullptr);
  BitBlt(hdc, area.left, area.top, w, h, memory, 0, 0, SRCCOPY);
  SelectObject(memory, oldBitmap);
  DeleteObject(bitmap);
  DeleteDC(memory);
}

void TForm::PaintArea(HDC hdc, const RECT& area) {
  // Without a brush the background is left as it was; the controls are
  // drawn all the same.
  if (HBRUSH background = Platform.CreateSolidBrush(ColorToRGB(Color))) {
    FillRect(hdc, &area, background);
    DeleteObject(background);
  }
  for (TControl* c : Controls()) {
    auto* graphic = dynamic_cast<TGraphicControl*>(c);
    if (graphic && graphic->Visible()) graphic->Paint(hdc);
  }
}

LRESULT TForm::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_ERASEBKGND:
      return 1;  // WM_PAINT fills the background itself
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC hdc = BeginPaint(handle_, &ps);
      Paint(hdc, ps.rcPaint);
      EndPaint(handle_, &ps);
      return 0;
    }
    case WM_MOVE:
      if (creating_) break;  // the bounds are the ones asked for
      ReadBackBounds();
      break;
    case WM_SIZE:
      if (creating_ || wParam == SIZE_MINIMIZED) break;
      ReadBackBounds();
      if (!Loading && OnResize) OnResize(this);
      return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
      if (MouseMessage(msg, wParam, lParam)) return 0;
      break;
    case WM_ACTIVATE:
      // A press held on a control ends when the form loses activation: its
      // release would go to another window. Freeing the mouse tells the
      // control (WM_CAPTURECHANGED below).
      if (LOWORD(wParam) == WA_INACTIVE && captureControl_ && GetCapture() == handle_) {
        ReleaseCapture();
      }
      break;
    case WM_ENTERMENULOOP:
      inMenuLoop_ = true;
      break;
    case WM_EXITMENULOOP:
      inMenuLoop_ = false;
      // The menu had the mouse while it ran: a press still held on a control
      // takes it back; one let go meanwhile ended with the menu.
      if (captureControl_ && GetCapture() != handle_) {
        const WPARAM down = (GetKeyState(VK_LBUTTON) < 0 ? MK_LBUTTON : 0) |
                            (GetKeyState(VK_RBUTTON) < 0 ? MK_RBUTTON : 0) |
                            (GetKeyState(VK_MBUTTON) < 0 ? MK_MBUTTON : 0);
        if (AnyButtonDown(down)) {
          SetCapture(handle_);
        } else {
          TControl* lost = captureControl_;
          captureControl_ = nullptr;
          lost->CaptureLost();
        }
      }
      break;
    case WM_CAPTURECHANGED:
      if (inMenuLoop_) return 0;  // the menu's loop only borrows the mouse
      // Another window took the mouse, or a dialog disabled this one.
      if (captureControl_ && reinterpret_cast<HWND>(lParam) != handle_) {
        TControl* lost = captureControl_;
        captureControl_ = nullptr;
        lost->CaptureLost();
      }
      return 0;
    case WM_COMMAND:
      if (lParam != 0) {
        if (TWinControl* child = FromHandle(reinterpret_cast<HWND>(lParam))) {
          child->CommandNotify(HIWORD(wParam));
        }
        return 0;
      }
      if (HIWORD(wParam) == 0 && menu_) {  // a menu's command
        if (TMenuItem* item = menu_->Items()->FindCommand(LOWORD(wParam))) item->Click();
        return 0;
      }
      break;
    case WM_CLOSE:
      Application->Terminate();  // the program's one form is its main form
      return 0;
    default:
      break;
  }
  return DefaultHandler(msg, wParam, lParam);
}
