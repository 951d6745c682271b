// Building a form from its stored layout. A layout is a function that
// describes the form's components in stored order, each with the properties
// that differ from the defaults, and binds events by handler name:
//
//   b.Image("Keypad").Bounds(2, 0, 202, 628).Picture("KEYPAD")
//       .OnMouseDown("KeypadMouseDown");
//   b.Timer("SnapTimer").Enabled(false).Interval(30).OnTimer("SnapTimerEvent");
//
// Every component is created owned by the form the moment it is described,
// and every property is applied through the component's own setter, in the
// order written, exactly as a change at run time would be. Handler names are
// resolved by the form's FindMethod.
#pragma once

#include <string>
#include <vector>

#include "framework/ExtCtrls.h"
#include "framework/Forms.h"
#include "framework/Memo.h"
#include "framework/Menus.h"
#include "framework/SysUtils.h"
#include "framework/Timer.h"

class TLayoutBuilder;

// Properties common to every control.
template <class Self, class T>
class ControlDescriber {
public:
  ControlDescriber(TLayoutBuilder& b, T* c) : builder_(b), control_(c) {}
  Self& Bounds(int left, int top, int width, int height) {
    control_->SetBounds(left, top, width, height);
    return self();
  }
  Self& Visible(bool visible) {
    control_->SetVisible(visible);
    return self();
  }
  Self& OnMouseDown(const std::string& handler);
  Self& OnMouseUp(const std::string& handler);
  // Presses of every button capture the mouse, not only the left one's.
  Self& CaptureAnyButton() {
    control_->CaptureAnyButton = true;
    return self();
  }
  Self& OnCaptureLost(const std::string& handler);
  T* Get() const { return control_; }

protected:
  Self& self() { return static_cast<Self&>(*this); }
  TLayoutBuilder& builder_;
  T* control_;
};

class FormDescriber : public ControlDescriber<FormDescriber, TForm> {
public:
  using ControlDescriber::ControlDescriber;
  FormDescriber& Caption(const std::string& caption);
  FormDescriber& BorderIcons(unsigned icons);
  FormDescriber& Font(const TFont& font);
  FormDescriber& Icon(const std::string& resource);
  FormDescriber& Menu(const std::string& menuName);
  FormDescriber& OnCreate(const std::string& handler);
  FormDescriber& OnResize(const std::string& handler);
};

class ImageDescriber : public ControlDescriber<ImageDescriber, TImage> {
public:
  using ControlDescriber::ControlDescriber;
  ImageDescriber& Picture(const std::string& resource);
};

class ShapeDescriber : public ControlDescriber<ShapeDescriber, TShape> {
public:
  using ControlDescriber::ControlDescriber;
  ShapeDescriber& Circle();
  ShapeDescriber& Brush(TColor color);
};

class MemoDescriber : public ControlDescriber<MemoDescriber, TMemo> {
public:
  using ControlDescriber::ControlDescriber;
  MemoDescriber& Font(const TFont& font);
  MemoDescriber& OnKeyPress(const std::string& handler);
};

class MenuItemDescriber {
public:
  MenuItemDescriber(TLayoutBuilder& b, TMenuItem* item) : builder_(b), item_(item) {}
  MenuItemDescriber& Caption(const std::string& caption);
  MenuItemDescriber& Tag(int tag);
  MenuItemDescriber& GroupIndex(int group);
  MenuItemDescriber& RadioItem(bool radio);
  MenuItemDescriber& Checked(bool checked);
  MenuItemDescriber& OnClick(const std::string& handler);

private:
  TLayoutBuilder& builder_;
  TMenuItem* item_;
};

class TimerDescriber {
public:
  TimerDescriber(TLayoutBuilder& b, TTimer* timer) : builder_(b), timer_(timer) {}
  TimerDescriber& Enabled(bool enabled);
  TimerDescriber& Interval(unsigned interval);
  TimerDescriber& OnTimer(const std::string& handler);

private:
  TLayoutBuilder& builder_;
  TTimer* timer_;
};

class TLayoutBuilder {
public:
  explicit TLayoutBuilder(TForm* form) : form_(form) {}

  FormDescriber Form() { return FormDescriber(*this, form_); }
  ImageDescriber Image(const std::string& name);
  ShapeDescriber Shape(const std::string& name);
  MemoDescriber Memo(const std::string& name);
  void MainMenu(const std::string& name);
  // A menu entry under the named item, or under the named main menu's bar.
  MenuItemDescriber MenuItem(const std::string& name, const std::string& under);
  TimerDescriber Timer(const std::string& name);

  TMethodBinding Method(const std::string& name) { return form_->FindMethod(name); }
  TForm* Form_() const { return form_; }

private:
  template <class T>
  T* Create(const std::string& name);

  TForm* form_;
};

// Builds the form from the layout function.
void LoadLayout(TForm* form, void (*describe)(TLayoutBuilder&));

// The component of the given name and class, owned by the form; raises when
// it is missing or of another class.
template <class T>
T* FindRequired(TForm* form, const std::string& name) {
  T* found = dynamic_cast<T*>(form->FindComponent(name));
  if (!found) throw Exception("Component " + name + " missing from the layout");
  return found;
}

template <class Self, class T>
Self& ControlDescriber<Self, T>::OnMouseDown(const std::string& handler) {
  control_->OnMouseDown = builder_.Method(handler).Mouse;
  return self();
}

template <class Self, class T>
Self& ControlDescriber<Self, T>::OnMouseUp(const std::string& handler) {
  control_->OnMouseUp = builder_.Method(handler).Mouse;
  return self();
}

template <class Self, class T>
Self& ControlDescriber<Self, T>::OnCaptureLost(const std::string& handler) {
  control_->OnCaptureLost = builder_.Method(handler).Notify;
  return self();
}
