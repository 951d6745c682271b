// Menus: TMainMenu is a form's menu bar, TMenuItem one entry of it (with
// entries of its own when it opens a submenu).
//
// Check marks follow the radio rule: changing the mark of a radio item with a
// non-zero GroupIndex, in either direction, first clears every other radio
// item of that group under the same parent. Setting the state an item already
// has does nothing, and a click changes no mark by itself. A change shows at
// once in a drop-down menu; the entries on the bar itself are not changed once
// the bar is made (that would show only when the bar is redrawn).
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "framework/Classes.h"

class TMenuItem : public TComponent {
public:
  explicit TMenuItem(TComponent* owner);
  ~TMenuItem() override;

  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& caption);
  bool Checked() const { return checked_; }
  void SetChecked(bool checked);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);

  bool RadioItem = false;
  int GroupIndex = 0;
  TNotifyEvent OnClick;

  void Add(TMenuItem* item);
  const std::vector<TMenuItem*>& Items() const { return items_; }
  TMenuItem* Parent() const { return parent_; }

  // Runs OnClick, as a choice of the item from the menu does.
  void Click();

  // The command identifier the item's native entry carries.
  UINT Command() const { return command_; }
  // Finds the item (this one or below) that carries the command.
  TMenuItem* FindCommand(UINT command);

  // Builds the item's entries into a native menu.
  void BuildInto(HMENU menu);
  // Forgets the native menus of this item and all below (they were destroyed).
  void ForgetNative();

private:
  void UpdateNative();
  HMENU ParentMenu() const;

  std::string caption_;
  bool checked_ = false;
  bool enabled_ = true;
  std::vector<TMenuItem*> items_;
  TMenuItem* parent_ = nullptr;
  UINT command_;
  // The native menu of this item's entries; it belongs to the menu bar and
  // goes with it.
  HMENU submenu_ = nullptr;
};

class TMainMenu : public TComponent {
public:
  explicit TMainMenu(TComponent* owner);
  ~TMainMenu() override;

  // The entries of the menu bar.
  TMenuItem* Items() const { return items_; }

  // The native menu bar, made on first use.
  HMENU Handle();

private:
  TMenuItem* items_;
  HMENU bar_ = nullptr;
};
