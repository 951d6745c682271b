#include "framework/FormLayout.h"

namespace {

template <class E>
E Required(E event, const std::string& handler) {
  if (!event) throw Exception("Method " + handler + " has the wrong kind for its event");
  return event;
}

}  // namespace

FormDescriber& FormDescriber::Caption(const std::string& caption) {
  control_->SetCaption(caption);
  return *this;
}

FormDescriber& FormDescriber::BorderIcons(unsigned icons) {
  control_->BorderIcons = icons;
  return *this;
}

FormDescriber& FormDescriber::Font(const TFont& font) {
  control_->Font = font;
  return *this;
}

FormDescriber& FormDescriber::Icon(const std::string& resource) {
  control_->IconResource = resource;
  return *this;
}

FormDescriber& FormDescriber::Menu(const std::string& menuName) {
  control_->SetMenu(FindRequired<TMainMenu>(control_, menuName));
  return *this;
}

FormDescriber& FormDescriber::OnCreate(const std::string& handler) {
  control_->OnCreate = Required(builder_.Method(handler).Notify, handler);
  return *this;
}

FormDescriber& FormDescriber::OnResize(const std::string& handler) {
  control_->OnResize = Required(builder_.Method(handler).Notify, handler);
  return *this;
}

ImageDescriber& ImageDescriber::Picture(const std::string& resource) {
  control_->LoadPictureResource(resource);
  return *this;
}

ShapeDescriber& ShapeDescriber::Circle() {
  control_->Shape = TShapeType::Circle;
  control_->Invalidate();
  return *this;
}

ShapeDescriber& ShapeDescriber::Brush(TColor color) {
  control_->BrushColor = color;
  control_->Invalidate();
  return *this;
}

MemoDescriber& MemoDescriber::Font(const TFont& font) {
  control_->SetFont(font);
  return *this;
}

MemoDescriber& MemoDescriber::OnKeyPress(const std::string& handler) {
  control_->OnKeyPress = Required(builder_.Method(handler).KeyPress, handler);
  return *this;
}

MenuItemDescriber& MenuItemDescriber::Caption(const std::string& caption) {
  item_->SetCaption(caption);
  return *this;
}

MenuItemDescriber& MenuItemDescriber::Tag(int tag) {
  item_->Tag = tag;
  return *this;
}

MenuItemDescriber& MenuItemDescriber::GroupIndex(int group) {
  item_->GroupIndex = group;
  return *this;
}

MenuItemDescriber& MenuItemDescriber::RadioItem(bool radio) {
  item_->RadioItem = radio;
  return *this;
}

MenuItemDescriber& MenuItemDescriber::Checked(bool checked) {
  item_->SetChecked(checked);
  return *this;
}

MenuItemDescriber& MenuItemDescriber::OnClick(const std::string& handler) {
  item_->OnClick = Required(builder_.Method(handler).Notify, handler);
  return *this;
}

TimerDescriber& TimerDescriber::Enabled(bool enabled) {
  timer_->SetEnabled(enabled);
  return *this;
}

TimerDescriber& TimerDescriber::Interval(unsigned interval) {
  timer_->SetInterval(interval);
  return *this;
}

TimerDescriber& TimerDescriber::OnTimer(const std::string& handler) {
  timer_->SetOnTimer(Required(builder_.Method(handler).Notify, handler));
  return *this;
}

template <class T>
T* TLayoutBuilder::Create(const std::string& name) {
  T* component = new T(form_);
  component->Name = name;
  return component;
}

ImageDescriber TLayoutBuilder::Image(const std::string& name) {
  TImage* image = Create<TImage>(name);
  image->SetParent(form_);
  return ImageDescriber(*this, image);
}

ShapeDescriber TLayoutBuilder::Shape(const std::string& name) {
  TShape* shape = Create<TShape>(name);
  shape->SetParent(form_);
  return ShapeDescriber(*this, shape);
}

MemoDescriber TLayoutBuilder::Memo(const std::string& name) {
  TMemo* memo = Create<TMemo>(name);
  memo->SetParent(form_);
  return MemoDescriber(*this, memo);
}

void TLayoutBuilder::MainMenu(const std::string& name) { Create<TMainMenu>(name); }

MenuItemDescriber TLayoutBuilder::MenuItem(const std::string& name, const std::string& under) {
  TMenuItem* parent = nullptr;
  TComponent* container = form_->FindComponent(under);
  if (auto* bar = dynamic_cast<TMainMenu*>(container)) parent = bar->Items();
  if (auto* item = dynamic_cast<TMenuItem*>(container)) parent = item;
  if (!parent) throw Exception("Menu " + under + " missing from the layout");
  TMenuItem* item = Create<TMenuItem>(name);
  parent->Add(item);
  return MenuItemDescriber(*this, item);
}

TimerDescriber TLayoutBuilder::Timer(const std::string& name) {
  return TimerDescriber(*this, Create<TTimer>(name));
}

void LoadLayout(TForm* form, void (*describe)(TLayoutBuilder&)) {
  TLayoutBuilder builder(form);
  describe(builder);
}
