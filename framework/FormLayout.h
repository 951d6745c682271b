// Building a form from its stored layout. A layout is a function that
// describes the form's components in stored order, each with the properties
// that differ from the defaults. Components go straight into the form's
// fields and events are bound to the form's methods, both by member pointer,
// so a missing field or a handler of the wrong kind does not compile:
//
//   b.Image(&TMain::Keypad).Bounds(2, 0, 202, 628).Picture("KEYPAD")
//       .OnMouseDown(&TMain::KeypadMouseDown);
//   b.Timer(&TMain::SnapTimer).Enabled(false).Interval(30).OnTimer(&TMain::SnapTimerEvent);
//
// Every component is created owned by the form the moment it is described,
// and every property is applied through the component's own setter, in the
// order written, exactly as a change at run time would be.
#pragma once

#include <string>

#include "framework/ExtCtrls.h"
#include "framework/Forms.h"
#include "framework/Memo.h"
#include "framework/Menus.h"
#include "framework/SysUtils.h"
#include "framework/Timer.h"

// The handler kinds a layout binds: methods of the form class F.
template <class F>
using TNotifyMethod = void (F::*)(TObject* Sender);
template <class F>
using TMouseMethod = void (F::*)(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
template <class F>
using TKeyPressMethod = void (F::*)(TObject* Sender, char& Key);

// Events that call a method of the form. The form owns the components that
// raise them, so it outlives every binding.
template <class F>
TNotifyEvent BindMethod(F& form, TNotifyMethod<F> method) {
  return [&form, method](TObject* sender) { (form.*method)(sender); };
}
template <class F>
TMouseEvent BindMethod(F& form, TMouseMethod<F> method) {
  return [&form, method](TObject* sender, TMouseButton button, TShiftState shift, int x, int y) {
    (form.*method)(sender, button, shift, x, y);
  };
}
template <class F>
TKeyPressEvent BindMethod(F& form, TKeyPressMethod<F> method) {
  return [&form, method](TObject* sender, char& key) { (form.*method)(sender, key); };
}

// Properties common to every control.
template <class F, class Self, class T>
class ControlDescriber {
public:
  ControlDescriber(F& form, T* control) : form_(form), control_(control) {}
  Self& Bounds(int left, int top, int width, int height) {
    control_->SetBounds(left, top, width, height);
    return self();
  }
  Self& Visible(bool visible) {
    control_->SetVisible(visible);
    return self();
  }
  Self& OnMouseDown(TMouseMethod<F> handler) {
    control_->OnMouseDown = BindMethod(form_, handler);
    return self();
  }
  Self& OnMouseUp(TMouseMethod<F> handler) {
    control_->OnMouseUp = BindMethod(form_, handler);
    return self();
  }
  // Presses of every button capture the mouse, not only the left one's.
  Self& OnCaptureLost(TNotifyMethod<F> handler) {
    control_->OnCaptureLost = BindMethod(form_, handler);
    return self();
  }

protected:
  Self& self() { return static_cast<Self&>(*this); }
  F& form_;
  T* control_;
};

template <class F>
class FormDescriber : public ControlDescriber<F, FormDescriber<F>, TForm> {
public:
  explicit FormDescriber(F& form) : ControlDescriber<F, FormDescriber<F>, TForm>(form, &form) {}
  FormDescriber& Caption(const std::string& caption) {
    this->control_->Caption = caption;
    return *this;
  }
  FormDescriber& BorderIcons(unsigned icons) {
    this->control_->BorderIcons = icons;
    return *this;
  }
  FormDescriber& Font(const TFont& font) {
    this->control_->Font = font;
    return *this;
  }
  FormDescriber& Icon(const std::string& resource) {
    this->control_->IconResource = resource;
    return *this;
  }
  FormDescriber& Menu(TMainMenu* F::*menu) {
    this->control_->SetMenu(this->form_.*menu);
    return *this;
  }
  FormDescriber& OnCreate(TNotifyMethod<F> handler) {
    this->control_->OnCreate = BindMethod(this->form_, handler);
    return *this;
  }
  FormDescriber& OnResize(TNotifyMethod<F> handler) {
    this->control_->OnResize = BindMethod(this->form_, handler);
    return *this;
  }
};

template <class F>
class ImageDescriber : public ControlDescriber<F, ImageDescriber<F>, TImage> {
public:
  using ControlDescriber<F, ImageDescriber<F>, TImage>::ControlDescriber;
  ImageDescriber& Picture(const std::string& resource) {
    this->control_->LoadPictureResource(resource);
    return *this;
  }
};

template <class F>
class ShapeDescriber : public ControlDescriber<F, ShapeDescriber<F>, TShape> {
public:
  using ControlDescriber<F, ShapeDescriber<F>, TShape>::ControlDescriber;
  ShapeDescriber& Circle() {
    this->control_->Shape = TShapeType::Circle;
    this->control_->Invalidate();
    return *this;
  }
  ShapeDescriber& Brush(TColor color) {
    this->control_->BrushColor = color;
    this->control_->Invalidate();
    return *this;
  }
};

template <class F>
class MemoDescriber : public ControlDescriber<F, MemoDescriber<F>, TMemo> {
public:
  using ControlDescriber<F, MemoDescriber<F>, TMemo>::ControlDescriber;
  MemoDescriber& Font(const TFont& font) {
    this->control_->SetFont(font);
    return *this;
  }
  MemoDescriber& OnKeyPress(TKeyPressMethod<F> handler) {
    this->control_->OnKeyPress = BindMethod(this->form_, handler);
    return *this;
  }
};

template <class F>
class MenuItemDescriber {
public:
  MenuItemDescriber(F& form, TMenuItem* item) : form_(form), item_(item) {}
  MenuItemDescriber& Caption(const std::string& caption) {
    item_->SetCaption(caption);
    return *this;
  }
  MenuItemDescriber& Tag(int tag) {
    item_->Tag = tag;
    return *this;
  }
  MenuItemDescriber& GroupIndex(int group) {
    item_->GroupIndex = group;
    return *this;
  }
  MenuItemDescriber& RadioItem(bool radio) {
    item_->RadioItem = radio;
    return *this;
  }
  MenuItemDescriber& Checked(bool checked) {
    item_->SetChecked(checked);
    return *this;
  }
  MenuItemDescriber& OnClick(TNotifyMethod<F> handler) {
    item_->OnClick = BindMethod(form_, handler);
    return *this;
  }

private:
  F& form_;
  TMenuItem* item_;
};

template <class F>
class TimerDescriber {
public:
  TimerDescriber(F& form, TTimer* timer) : form_(form), timer_(timer) {}
  TimerDescriber& Enabled(bool enabled) {
    timer_->SetEnabled(enabled);
    return *this;
  }
  TimerDescriber& Interval(unsigned interval) {
    timer_->SetInterval(interval);
    return *this;
  }
  TimerDescriber& OnTimer(TNotifyMethod<F> handler) {
    timer_->SetOnTimer(BindMethod(form_, handler));
    return *this;
  }

private:
  F& form_;
  TTimer* timer_;
};

// Describes the components of a form of class F (derived from TForm). Each
// call creates one component, owned by the form, and stores it into the
// field named by the member pointer.
template <class F>
class TLayout {
public:
  explicit TLayout(F& form) : form_(form) {}

  FormDescriber<F> Form() { return FormDescriber<F>(form_); }
  ImageDescriber<F> Image(TImage* F::*field) { return {form_, Child(field)}; }
  ShapeDescriber<F> Shape(TShape* F::*field) { return {form_, Child(field)}; }
  MemoDescriber<F> Memo(TMemo* F::*field) { return {form_, Child(field)}; }
  void MainMenu(TMainMenu* F::*field) { Create(field); }
  // An entry on the menu bar, or one under a menu item described before.
  MenuItemDescriber<F> MenuItem(TMenuItem* F::*field, TMainMenu* F::*bar) {
    return Entry(field, (form_.*bar)->Items());
  }
  MenuItemDescriber<F> MenuItem(TMenuItem* F::*field, TMenuItem* F::*under) {
    return Entry(field, form_.*under);
  }
  TimerDescriber<F> Timer(TTimer* F::*field) { return {form_, Create(field)}; }

private:
  template <class T>
  T* Create(T* F::*field) {
    T* component = new T(&form_);
    form_.*field = component;
    return component;
  }
  template <class T>
  T* Child(T* F::*field) {
    T* control = Create(field);
    control->SetParent(&form_);
    return control;
  }
  MenuItemDescriber<F> Entry(TMenuItem* F::*field, TMenuItem* parent) {
    TMenuItem* item = Create(field);
    parent->Add(item);
    return {form_, item};
  }

  F& form_;
};

// Builds the form from the layout function.
template <class F>
void LoadLayout(F& form, void (*describe)(TLayout<F>&)) {
  TLayout<F> layout(form);
  describe(layout);
}
