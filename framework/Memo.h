// The edit controls, over the system's "EDIT" control:
//   TCustomEdit   text limit, read-only, selection hiding, change event and
//                 the key-press path that runs before the control's own
//                 editing
//   TCustomMemo   multi-line mode: alignment, scroll bars, word wrap, Enter
//                 and Tab handling, and Lines
//   TMemo         the class layouts create
// TMemoStrings holds no text of its own: every read and write of a line is an
// edit-control message to the memo's window, which is made first when needed
// (also while the memo is hidden). Everything here lives on the window's
// thread.
#pragma once

#include <string>
#include <vector>

#include "framework/Controls.h"

class TCustomMemo;

enum class TAlignment { LeftJustify, RightJustify, Center };
enum class TScrollStyle { None, Horizontal, Vertical, Both };

class TMemoStrings {
public:
  explicit TMemoStrings(TCustomMemo* memo) : memo_(memo) {}

  // The control's lines, less the empty line after a final line break; an
  // empty control has none. With word wrap on these are the displayed lines.
  int Count() const;
  // The line's characters (at most 4096); empty for a line that does not
  // exist.
  std::string Get(int index) const;
  // Replaces the line's text, its break kept.
  void Put(int index, const std::string& text);
  // Inserts the text as line `index`; the caret ends just after the inserted
  // characters. See the .cpp for where an index past the end goes.
  void Insert(int index, const std::string& text);
  // Removes the line with its break.
  void Delete(int index);
  // Puts the text on a new last line; returns its index.
  int Add(const std::string& text);
  // Puts the lines on new last lines, in order, as one edit of the control:
  // the text that Add would make of each in turn, but the control rewraps
  // and repaints once for them all rather than once a line, which is what
  // makes a burst of lines cheap. Nothing for no lines. Returns where the
  // text ended before and after, in the control's positions; the end after
  // counts every character added (see the .cpp for when the control took
  // fewer).
  struct TSpan {
    LRESULT From = 0;
    LRESULT To = 0;
  };
  TSpan AddStrings(const std::vector<std::string>& lines);
  // Empties the control in one step.
  void Clear();

  std::string Text() const;
  // The control's position (for EM_SETSEL and the like) of the character
  // that begins at byte `offset` of `text`, the control's text as Text()
  // gave it, unchanged since.
  LRESULT Position(const std::string& text, size_t offset) const;
  // Line breaks are normalised to CR LF; text equal to the current text
  // changes nothing. Raises EInvalidOperation "Text exceeds memo capacity"
  // when the control refuses it.
  void SetText(const std::string& text);

  // A batch of changes: the control does not redraw until the outermost
  // EndUpdate, then repaints once. Nested calls are counted.
  void BeginUpdate();
  void EndUpdate();

  // Replace, insert and delete on an index that does not exist do nothing;
  // append and insert cut the text silently at the control's text limit.

private:
  void SetUpdateState(bool updating);
  HWND Handle() const;

  TCustomMemo* memo_;
  int updateCount_ = 0;
};

class TCustomEdit : public TWinControl {
public:
  explicit TCustomEdit(TComponent* owner);

  // The control's limit in characters; 0 is the largest the control allows.
  int MaxLength() const { return maxLength_; }
  void SetMaxLength(int length);
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool readOnly);
  bool HideSelection() const { return hideSelection_; }
  void SetHideSelection(bool hide);

  std::string Text();
  void SetText(const std::string& text);

  // Raised when the control reports a change of its text (EN_CHANGE).
  TNotifyEvent OnChange;
  // Raised for each character the control receives, before it applies it;
  // the handler may change the character, or consume it by setting it to 0.
  // An exception out of the handler consumes it too (whatever the handler
  // meant it to be is unknown) and is shown in the exception box.
  TKeyPressEvent OnKeyPress;

  void CommandNotify(WORD code) override;

protected:
  void CreateParams(TCreateParams& params) override;
  void HandleCreated() override;
  void HandleDestroying() override;
  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
  // The control's own key-press handling (OnKeyPress); derived classes may
  // change or consume the character further.
  virtual void KeyPress(char& key);

private:
  LRESULT CharMessage(WPARAM wParam, LPARAM lParam);

  int maxLength_ = 0;
  bool readOnly_ = false;
  bool hideSelection_ = true;
  // The text of a window being destroyed (re-created for a style change, or
  // taken from its parent), given to the next window made.
  std::string savedText_;
  bool hasSavedText_ = false;
};

class TCustomMemo : public TCustomEdit {
public:
  explicit TCustomMemo(TComponent* owner);
  ~TCustomMemo() override;

  TMemoStrings* Lines() const { return lines_; }

  // Changing these re-creates the window when it exists.
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment alignment);
  TScrollStyle ScrollBars() const { return scrollBars_; }
  void SetScrollBars(TScrollStyle scrollBars);
  bool WordWrap() const { return wordWrap_; }
  void SetWordWrap(bool wordWrap);

  // Enter makes a line break; when off, the memo drops the Enter character
  // and leaves the Enter key to the containing window.
  bool WantReturns = true;
  // Tab is typed into the text rather than moving the focus.
  bool WantTabs = false;

protected:
  void CreateParams(TCreateParams& params) override;
  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
  void KeyPress(char& key) override;

private:
  TMemoStrings* lines_;
  TAlignment alignment_ = TAlignment::LeftJustify;
  TScrollStyle scrollBars_ = TScrollStyle::None;
  bool wordWrap_ = true;
};

class TMemo : public TCustomMemo {
public:
  using TCustomMemo::TCustomMemo;
};
