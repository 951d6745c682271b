// Controls: the visual components of a form.
//   TControl         position, size, visibility and parent of every control
//   TGraphicControl  drawn on its parent's surface, no window of its own
//   TWinControl      a control with a window of its own (a child window)
// Everything here lives on the window's thread.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "framework/Classes.h"
#include "framework/Graphics.h"

class TWinControl;

enum class TMouseButton { Left, Right, Middle };

// Modifier keys and buttons down during a mouse event (bit set).
enum TShiftStateBits : unsigned {
  ssShift = 1, ssAlt = 2, ssCtrl = 4, ssLeft = 8, ssRight = 16, ssMiddle = 32, ssDouble = 64,
};
using TShiftState = unsigned;

using TMouseEvent =
    std::function<void(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
using TKeyPressEvent = std::function<void(TObject* Sender, char& Key)>;

class TControl : public TComponent {
public:
  explicit TControl(TComponent* owner);
  ~TControl() override;

  // A control is given its parent once, when it is made, and never taken
  // from it: its owner (the form) destroys it only after the parent, which
  // lets go of its children first.
  TWinControl* Parent() const { return parent_; }
  void SetParent(TWinControl* parent);

  int Left() const { return left_; }
  int Top() const { return top_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  void SetLeft(int v) { SetBounds(v, top_, width_, height_); }
  void SetTop(int v) { SetBounds(left_, v, width_, height_); }
  void SetWidth(int v) { SetBounds(left_, top_, v, height_); }
  void SetHeight(int v) { SetBounds(left_, top_, width_, v); }
  virtual void SetBounds(int left, int top, int width, int height);
  RECT BoundsRect() const { return RECT{left_, top_, left_ + width_, top_ + height_}; }

  bool Visible() const { return visible_; }
  virtual void SetVisible(bool visible);

  // Repaints the control (for a graphic control, its area of the parent).
  virtual void Invalidate();

  // Mouse events, raised with the point in the control's own coordinates.
  TMouseEvent OnMouseDown;
  TMouseEvent OnMouseUp;

  // Called by the parent's window for mouse input that falls on this control.
  virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
  virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
  // Whether presses on this control reach it; a control that answers false
  // lets them fall through to what lies below.
  virtual bool WantsMouse() const { return false; }
  // A press of any button on the control captures the mouse for it, so that
  // the release reaches the control wherever it happens.
  //
  // Called when the control loses its capture while a captured button may
  // still be down: another window took the mouse, a dialog disabled the
  // form, or the form lost activation. The release that ends a capture does
  // not call it. Raises OnCaptureLost.
  virtual void CaptureLost();
  TNotifyEvent OnCaptureLost;

protected:
  friend class TWinControl;  // keeps parent_ in step with its list of children

  // Called after a change of bounds actually happened.
  virtual void BoundsChanged() {}

  TWinControl* parent_ = nullptr;
  int left_ = 0;
  int top_ = 0;
  int width_ = 0;
  int height_ = 0;
  bool visible_ = true;
};

class TGraphicControl : public TControl {
public:
  using TControl::TControl;
  // Draws the control onto its parent's surface; hdc's origin is the
  // parent's client origin.
  virtual void Paint(HDC hdc) = 0;
  void Invalidate() override;
  void SetVisible(bool visible) override;
  void SetBounds(int left, int top, int width, int height) override;
};

// Window creation parameters, filled in by CreateParams of each class.
struct TCreateParams {
  // A system class such as "EDIT", whose windows the control subclasses once
  // made, or (OwnClass) one of the framework's own, registered with the
  // framework's window procedure, which binds the control from the window's
  // first message (WM_NCCREATE) on.
  std::string ClassName;
  bool OwnClass = false;
  // For an own class: its cursor (a system cursor's name, or none).
  LPCSTR ClassCursor = nullptr;
  std::string Caption;
  DWORD Style = 0;
  DWORD ExStyle = 0;
  int X = 0, Y = 0, Width = 0, Height = 0;
  HWND WndParent = nullptr;
};

class TWinControl : public TControl {
public:
  explicit TWinControl(TComponent* owner);
  ~TWinControl() override;

  // The control's window, made first if it does not exist yet (also while
  // the control is hidden). Needs a parent with a window, or none for a
  // top-level window.
  HWND Handle();
  bool HandleAllocated() const { return handle_ != nullptr; }
  void HandleNeeded() { Handle(); }

  // The controls whose parent is this one, in the order they were added.
  const std::vector<TControl*>& Controls() const { return controls_; }
  void InsertControl(TControl* control);

  void SetBounds(int left, int top, int width, int height) override;
  void SetVisible(bool visible) override;
  void Invalidate() override;

  TFont Font;
  // Whether the control uses its parent's font.
  bool ParentFont = true;
  void SetFont(const TFont& font);

  bool TabStop = false;

  // The control object behind a window the framework made on this thread, or
  // nullptr (for any other window).
  static TWinControl* FromHandle(HWND hwnd);

  // Destroys the window and makes it again with the current properties.
  void RecreateWnd();

  // Notification codes that the parent receives from this control's window
  // (WM_COMMAND) are handed back to the control.
  virtual void CommandNotify(WORD code) { (void)code; }

protected:
  virtual void CreateParams(TCreateParams& params);
  virtual void CreateWnd();
  virtual void DestroyWnd();
  // Called once the window exists, to give it the control's state.
  virtual void HandleCreated() {}
  // Called just before the window is destroyed, to save state from it.
  virtual void HandleDestroying() {}
  // The control's own message handling; the default passes the message to
  // the window's original procedure.
  virtual LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam);
  LRESULT DefaultHandler(UINT msg, WPARAM wParam, LPARAM lParam);

  HWND handle_ = nullptr;
  // True from the window's first message until CreateWnd has given it the
  // control's state (HandleCreated): messages the system sends while it
  // makes the window find the control only partly set up.
  bool creating_ = false;

private:
  static LRESULT CALLBACK OwnClassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam,
                                       UINT_PTR id, DWORD_PTR data);
  static void EnsureOwnClass(const TCreateParams& params);
  LRESULT Dispatch(UINT msg, WPARAM wParam, LPARAM lParam);
  void ApplyFont();

  std::vector<TControl*> controls_;
  // The window is of one of the framework's own classes (else subclassed).
  bool ownClass_ = false;
  HFONT fontHandle_ = nullptr;
  bool destroying_ = false;
};
