// TForm: a top-level window built from a stored layout. Its graphic
// controls (images, shapes) are drawn on its own surface in the order they
// were added, each above the ones before; child windows lie above them all.
// Mouse input on the surface goes to the topmost graphic control under the
// point that takes the mouse.
#pragma once

#include <windows.h>

#include <string>

#include "framework/Controls.h"

class TMainMenu;

enum TBorderIconBits : unsigned { biSystemMenu = 1, biMinimize = 2, biMaximize = 4 };

class TForm : public TWinControl {
public:
  explicit TForm(TComponent* owner);
  ~TForm() override;

  // The title, given before the window is made.
  std::string Caption;
  unsigned BorderIcons = biSystemMenu | biMinimize | biMaximize;
  // The icon: a resource name of the program, or empty for none.
  std::string IconResource;
  TColor Color = 0x8000000F;  // the system's button-face colour

  TMainMenu* Menu() const { return menu_; }
  void SetMenu(TMainMenu* menu);

  // Form events.
  TNotifyEvent OnCreate;
  TNotifyEvent OnResize;

  // Key preview: when on, the form's OnKeyPress sees a character typed in
  // any of its controls first, and may consume it by setting it to 0.
  bool KeyPreview = false;
  TKeyPressEvent OnKeyPress;
  // Runs the preview for a character typed in a control of this form;
  // returns true when the preview consumed it.
  bool PreviewKeyPress(char& key);

  // The form that contains the control (the top of its parent chain).
  static TForm* ParentForm(TControl* control);

  // Runs after construction (by the application object): OnCreate, then the
  // window is made and shown if the form is visible.
  void AfterConstruction();

  void SetVisible(bool visible) override;
  void SetBounds(int left, int top, int width, int height) override;

protected:
  void CreateParams(TCreateParams& params) override;
  void HandleCreated() override;
  void HandleDestroying() override;
  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

  // True while the form is being built: OnResize is not raised then.
  bool Loading = true;

private:
  void Paint(HDC hdc, const RECT& area);
  void PaintArea(HDC hdc, const RECT& area);
  TControl* ControlAt(int x, int y);
  bool MouseMessage(UINT msg, WPARAM wParam, LPARAM lParam);
  void ReadBackBounds();

  TMainMenu* menu_ = nullptr;
  HICON icon_ = nullptr;
  // The control that holds the mouse capture since a press, or nullptr.
  TControl* captureControl_ = nullptr;
  // A menu of this form runs its loop (the menu bar opened by the keyboard
  // while a button is held): the loop only borrows the mouse.
  bool inMenuLoop_ = false;
};
