#include "framework/Menus.h"

#include <algorithm>

#include "framework/Platform.h"
#include "framework/SysUtils.h"

namespace {

UINT NextCommand() {
  static UINT next = 100;
  return next++;
}

}  // namespace

TMenuItem::TMenuItem(TComponent* owner) : TComponent(owner), command_(NextCommand()) {}

TMenuItem::~TMenuItem() {
  if (parent_) {
    auto& siblings = parent_->items_;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
  }
  for (TMenuItem* item : items_) item->parent_ = nullptr;
}

void TMenuItem::Add(TMenuItem* item) {
  items_.push_back(item);
  item->parent_ = this;
}

void TMenuItem::SetCaption(const std::string& caption) {
  if (caption == caption_) return;
  caption_ = caption;
  UpdateNative();
}

void TMenuItem::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  UpdateNative();
}

void TMenuItem::SetChecked(bool checked) {
  if (checked == checked_) return;
  if (RadioItem && GroupIndex != 0 && parent_) {
    for (TMenuItem* sibling : parent_->items_) {
      if (sibling != this && sibling->RadioItem && sibling->GroupIndex == GroupIndex &&
          sibling->checked_) {
        sibling->checked_ = false;
        sibling->UpdateNative();
      }
    }
  }
  checked_ = checked;
  UpdateNative();
}

void TMenuItem::Click() {
  if (OnClick) OnClick(this);
}

TMenuItem* TMenuItem::FindCommand(UINT command) {
  if (command == command_) return this;
  for (TMenuItem* item : items_) {
    if (TMenuItem* found = item->FindCommand(command)) return found;
  }
  return nullptr;
}

HMENU TMenuItem::ParentMenu() const { return parent_ ? parent_->submenu_ : nullptr; }

namespace {

MENUITEMINFOA DescribeItem(const TMenuItem& item, HMENU submenu, std::string& caption) {
  caption = item.Caption();
  MENUITEMINFOA info{};
  info.cbSize = sizeof(info);
  info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_STRING | MIIM_SUBMENU;
  info.fType = MFT_STRING | (item.RadioItem ? MFT_RADIOCHECK : 0);
  info.fState = (item.Checked() ? MFS_CHECKED : 0) | (item.Enabled() ? 0 : MFS_DISABLED);
  info.wID = item.Command();
  info.hSubMenu = submenu;
  info.dwTypeData = &caption[0];
  info.cch = static_cast<UINT>(caption.size());
  return info;
}

}  // namespace

void TMenuItem::BuildInto(HMENU menu) {
  submenu_ = menu;
  UINT position = 0;
  for (TMenuItem* item : items_) {
    HMENU child = nullptr;
    if (!item->items_.empty()) {
      child = Platform.CreatePopupMenu();
      if (!child) throw EOutOfResources("Error creating menu");
    }
    // A submenu not yet inserted is the caller's to destroy; one inserted
    // goes with the menu it is in.
    try {
      if (child) item->BuildInto(child);
      std::string caption;
      MENUITEMINFOA info = DescribeItem(*item, child, caption);
      if (!Platform.InsertMenuItemA(menu, position++, TRUE, &info)) {
        throw EOutOfResources("Error creating menu");
      }
    } catch (...) {
      if (child) DestroyMenu(child);
      throw;
    }
  }
}

void TMenuItem::ForgetNative() {
  submenu_ = nullptr;
  for (TMenuItem* item : items_) item->ForgetNative();
}

void TMenuItem::UpdateNative() {
  HMENU menu = ParentMenu();
  if (!menu) return;
  std::string caption;
  MENUITEMINFOA info = DescribeItem(*this, submenu_, caption);
  info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_STRING;
  // A refused update leaves the native item behind this one's state until
  // its next change, which writes the whole state again.
  Platform.SetMenuItemInfoA(menu, command_, FALSE, &info);
}

TMainMenu::TMainMenu(TComponent* owner) : TComponent(owner), items_(new TMenuItem(this)) {}

TMainMenu::~TMainMenu() {
  // The form detaches the bar before its window goes, so it is always ours.
  if (bar_) DestroyMenu(bar_);
}

// A bar that cannot be made whole is not made at all: what was built of it is
// destroyed, and the next use tries again.
HMENU TMainMenu::Handle() {
  if (!bar_) {
    const HMENU bar = Platform.CreateMenu();
    if (!bar) throw EOutOfResources("Error creating menu");
    try {
      items_->BuildInto(bar);
    } catch (...) {
      DestroyMenu(bar);
      items_->ForgetNative();
      throw;
    }
    bar_ = bar;
  }
  return bar_;
}
