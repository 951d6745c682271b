#include "framework/Memo.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <vector>

#include "framework/Forms.h"
#include "framework/SysUtils.h"

namespace {

// The longest line TMemoStrings::Get returns.
const int MaxLineLength = 4096;

// Whether the control and every parent of it are visible.
bool Showing(const TControl* control) {
  for (; control; control = control->Parent()) {
    if (!control->Visible()) return false;
  }
  return true;
}

// CR LF, a lone CR and a lone LF each become CR LF.
std::string NormaliseLineBreaks(const std::string& text) {
  std::string out;
  out.reserve(text.size() + text.size() / 16);
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r' || c == '\n') {
      out += "\r\n";
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      out += c;
    }
  }
  return out;
}

// Where the control's text ends, in the control's own positions: the start
// of its last row and that row's length.
LRESULT TextEnd(HWND h) {
  const LRESULT lastRow = SendMessageA(h, EM_GETLINECOUNT, 0, 0) - 1;
  const LRESULT lastStart = SendMessageA(h, EM_LINEINDEX, static_cast<WPARAM>(lastRow), 0);
  return lastStart + SendMessageA(h, EM_LINELENGTH, static_cast<WPARAM>(lastStart), 0);
}

}  // namespace

// ------------------------------------------------------------ TCustomEdit

TCustomEdit::TCustomEdit(TComponent* owner) : TWinControl(owner) {
  SetBounds(0, 0, 121, 25);
  TabStop = true;
}

void TCustomEdit::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  params.ClassName = "EDIT";
  params.Style |= ES_AUTOVSCROLL | ES_AUTOHSCROLL;
  if (readOnly_) params.Style |= ES_READONLY;
  if (!hideSelection_) params.Style |= ES_NOHIDESEL;
  params.ExStyle |= WS_EX_CLIENTEDGE;  // the single, sunken border
}

// The control's own default limit is small (30,000 characters under Wine),
// so the limit is always given, 0 asking for the largest.
void TCustomEdit::HandleCreated() {
  TWinControl::HandleCreated();
  SendMessageA(handle_, EM_SETLIMITTEXT, static_cast<WPARAM>(maxLength_), 0);
  if (hasSavedText_) {
    SendMessageA(handle_, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(savedText_.c_str()));
    savedText_.clear();
    savedText_.shrink_to_fit();
    hasSavedText_ = false;
  }
}

void TCustomEdit::HandleDestroying() {
  savedText_ = Text();
  hasSavedText_ = true;
  TWinControl::HandleDestroying();
}

void TCustomEdit::SetMaxLength(int length) {
  if (length == maxLength_) return;
  maxLength_ = length;
  if (HandleAllocated()) SendMessageA(handle_, EM_SETLIMITTEXT, static_cast<WPARAM>(length), 0);
}

void TCustomEdit::SetReadOnly(bool readOnly) {
  if (readOnly == readOnly_) return;
  readOnly_ = readOnly;
  if (HandleAllocated()) SendMessageA(handle_, EM_SETREADONLY, readOnly ? TRUE : FALSE, 0);
}

void TCustomEdit::SetHideSelection(bool hide) {
  if (hide == hideSelection_) return;
  hideSelection_ = hide;
  RecreateWnd();
}

std::string TCustomEdit::Text() {
  HWND h = Handle();
  const int length = GetWindowTextLengthA(h);
  std::string text(static_cast<size_t>(length) + 1, '\0');
  const int copied = GetWindowTextA(h, &text[0], length + 1);
  text.resize(static_cast<size_t>(copied > 0 ? copied : 0));
  return text;
}

void TCustomEdit::SetText(const std::string& text) {
  SendMessageA(Handle(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void TCustomEdit::CommandNotify(WORD code) {
  if (code == EN_CHANGE && OnChange) OnChange(this);
}

void TCustomEdit::KeyPress(char& key) {
  if (OnKeyPress) OnKeyPress(this, key);
}

// Every character the control receives passes the containing form's key
// preview, then the control's own key-press handling, before the system
// control applies what is left of it.
LRESULT TCustomEdit::CharMessage(WPARAM wParam, LPARAM lParam) {
  char key = static_cast<char>(wParam);
  TForm* form = TForm::ParentForm(this);
  if (form && form->KeyPreview && form->PreviewKeyPress(key)) return 0;
  KeyPress(key);
  // A handler may have destroyed the window (a re-creation, a new parent).
  if (key == 0 || !HandleAllocated()) return 0;
  return DefaultHandler(WM_CHAR, static_cast<unsigned char>(key), lParam);
}

LRESULT TCustomEdit::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_CHAR) return CharMessage(wParam, lParam);
  return TWinControl::WndProc(msg, wParam, lParam);
}

// ------------------------------------------------------------ TCustomMemo

TCustomMemo::TCustomMemo(TComponent* owner) : TCustomEdit(owner), lines_(new TMemoStrings(this)) {
  SetBounds(0, 0, 185, 89);
}

TCustomMemo::~TCustomMemo() { delete lines_; }

void TCustomMemo::CreateParams(TCreateParams& params) {
  TCustomEdit::CreateParams(params);
  params.Style |= ES_MULTILINE;
  switch (alignment_) {
    case TAlignment::LeftJustify: params.Style |= ES_LEFT; break;
    case TAlignment::RightJustify: params.Style |= ES_RIGHT; break;
    case TAlignment::Center: params.Style |= ES_CENTER; break;
  }
  switch (scrollBars_) {
    case TScrollStyle::None: break;
    case TScrollStyle::Horizontal: params.Style |= WS_HSCROLL; break;
    case TScrollStyle::Vertical: params.Style |= WS_VSCROLL; break;
    case TScrollStyle::Both: params.Style |= WS_HSCROLL | WS_VSCROLL; break;
  }
  // Without automatic horizontal scrolling long lines wrap at the width.
  if (wordWrap_) params.Style &= ~static_cast<DWORD>(ES_AUTOHSCROLL);
}

void TCustomMemo::SetAlignment(TAlignment alignment) {
  if (alignment == alignment_) return;
  alignment_ = alignment;
  RecreateWnd();
}

void TCustomMemo::SetScrollBars(TScrollStyle scrollBars) {
  if (scrollBars == scrollBars_) return;
  scrollBars_ = scrollBars;
  RecreateWnd();
}

void TCustomMemo::SetWordWrap(bool wordWrap) {
  if (wordWrap == wordWrap_) return;
  wordWrap_ = wordWrap;
  RecreateWnd();
}

void TCustomMemo::KeyPress(char& key) {
  TCustomEdit::KeyPress(key);
  if (key == '\r' && !WantReturns) key = 0;
}

// A multi-line edit asks a dialog-style key handler for every key; Tab and
// Enter are left to the containing window unless the memo wants them.
LRESULT TCustomMemo::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg != WM_GETDLGCODE) return TCustomEdit::WndProc(msg, wParam, lParam);
  LRESULT code = TCustomEdit::WndProc(msg, wParam, lParam);
  const MSG* key = reinterpret_cast<const MSG*>(lParam);
  const bool keyMessage = key && (key->message == WM_KEYDOWN || key->message == WM_CHAR);
  const bool tab = keyMessage && key->wParam == VK_TAB;
  const bool enter = keyMessage && key->wParam == VK_RETURN;
  if (WantTabs) {
    code |= DLGC_WANTTAB;
  } else {
    code &= ~static_cast<LRESULT>(DLGC_WANTTAB);
    if (tab) code &= ~static_cast<LRESULT>(DLGC_WANTALLKEYS);
  }
  if (!WantReturns && (enter || !key)) code &= ~static_cast<LRESULT>(DLGC_WANTALLKEYS);
  return code;
}

// ----------------------------------------------------------- TMemoStrings

HWND TMemoStrings::Handle() const { return memo_->Handle(); }

int TMemoStrings::Count() const {
  HWND h = Handle();
  int count = static_cast<int>(SendMessageA(h, EM_GETLINECOUNT, 0, 0));
  const LRESULT lastStart = SendMessageA(h, EM_LINEINDEX, static_cast<WPARAM>(count - 1), 0);
  if (SendMessageA(h, EM_LINELENGTH, static_cast<WPARAM>(lastStart), 0) == 0) --count;
  return count;
}

// EM_LINEINDEX and friends take -1 as "the caret's line", so a negative
// index is never passed on.
std::string TMemoStrings::Get(int index) const {
  if (index < 0) return std::string();
  // EM_GETLINE reads the buffer's size from its first word and copies
  // without a terminating zero.
  std::vector<char> buffer(MaxLineLength + 1, '\0');
  const WORD size = MaxLineLength;
  memcpy(buffer.data(), &size, sizeof(size));
  const LRESULT copied =
      SendMessageA(Handle(), EM_GETLINE, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(buffer.data()));
  if (copied <= 0) return std::string();
  return std::string(buffer.data(), static_cast<size_t>(copied < MaxLineLength ? copied : MaxLineLength));
}

void TMemoStrings::Put(int index, const std::string& text) {
  if (index < 0) return;
  HWND h = Handle();
  const LRESULT start = SendMessageA(h, EM_LINEINDEX, static_cast<WPARAM>(index), 0);
  if (start < 0) return;
  const LRESULT length = SendMessageA(h, EM_LINELENGTH, static_cast<WPARAM>(start), 0);
  SendMessageA(h, EM_SETSEL, static_cast<WPARAM>(start), start + length);
  SendMessageA(h, EM_REPLACESEL, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

// Where line `index` begins, the text and a break go in front of it. Past the
// end, the text goes after the last line (behind a new break), but only when
// that line is index - 1 and holds text: an empty last line is line `index`
// itself and was found above.
void TMemoStrings::Insert(int index, const std::string& text) {
  if (index < 0) return;
  HWND h = Handle();
  LRESULT position = SendMessageA(h, EM_LINEINDEX, static_cast<WPARAM>(index), 0);
  std::string insertion;
  if (position >= 0) {
    insertion = text + "\r\n";
  } else {
    if (index == 0) return;
    const LRESULT previous = SendMessageA(h, EM_LINEINDEX, static_cast<WPARAM>(index - 1), 0);
    if (previous < 0) return;
    const LRESULT length = SendMessageA(h, EM_LINELENGTH, static_cast<WPARAM>(previous), 0);
    if (length == 0) return;
    position = previous + length;
    insertion = "\r\n" + text;
  }
  // Replacing the empty selection leaves the caret after the insertion, and
  // automatic vertical scrolling brings it into view.
  SendMessageA(h, EM_SETSEL, static_cast<WPARAM>(position), position);
  SendMessageA(h, EM_REPLACESEL, 0, reinterpret_cast<LPARAM>(insertion.c_str()));
}

void TMemoStrings::Delete(int index) {
  if (index < 0) return;
  HWND h = Handle();
  const LRESULT start = SendMessageA(h, EM_LINEINDEX, static_cast<WPARAM>(index), 0);
  if (start < 0) return;
  LRESULT end = SendMessageA(h, EM_LINEINDEX, static_cast<WPARAM>(index + 1), 0);
  if (end < 0) end = start + SendMessageA(h, EM_LINELENGTH, static_cast<WPARAM>(start), 0);
  SendMessageA(h, EM_SETSEL, static_cast<WPARAM>(start), end);
  SendMessageA(h, EM_REPLACESEL, 0, reinterpret_cast<LPARAM>(""));
}

int TMemoStrings::Add(const std::string& text) {
  const int index = Count();
  Insert(index, text);
  return index;
}

// Add places its break by what the last line holds: behind the text when the
// last line is empty, in front of it when the last line has text (a line
// typed and not ended). An empty line added behind text only ends that line,
// so the rule is followed line by line and the result is one insertion.
TMemoStrings::TSpan TMemoStrings::AddStrings(const std::vector<std::string>& lines) {
  if (lines.empty()) return {};
  HWND h = Handle();
  // The end of the text, and the length of the line it is on (the last), in
  // the control's own positions, with the fewest questions: every message
  // to a subclassed control is a few server requests under Wine, and this
  // runs for every burst. A position past the end puts the caret at the end
  // on Windows and Wine alike (the -1 of "select all" relies on it), and
  // the selection then reads the end back in the control's units. Not
  // GetWindowTextLength: it may count more than the control holds (a
  // double-byte code page counts bytes while Wine's control counts UTF-16
  // units), reading the whole text to do so, and a position past the end
  // reads as an empty last line, which would glue the first line onto a
  // line typed and not sent.
  SendMessageA(h, EM_SETSEL, static_cast<WPARAM>(INT_MAX), INT_MAX);
  DWORD end = 0;
  SendMessageA(h, EM_GETSEL, 0, reinterpret_cast<LPARAM>(&end));
  const LRESULT position = static_cast<LRESULT>(end);
  bool lastEmpty = SendMessageA(h, EM_LINELENGTH, static_cast<WPARAM>(end), 0) == 0;
  size_t size = 0;
  for (const std::string& line : lines) size += line.size() + 2;
  std::string insertion;
  insertion.reserve(size);
  for (const std::string& line : lines) {
    if (lastEmpty) {
      insertion += line;
      insertion += "\r\n";
    } else {
      insertion += "\r\n";
      insertion += line;
      lastEmpty = line.empty();
    }
  }
  SendMessageA(h, EM_REPLACESEL, 0, reinterpret_cast<LPARAM>(insertion.c_str()));
  // What the insertion adds, in the control's units: bytes when every
  // character is one byte; otherwise bytes for a control that keeps ANSI
  // text (Windows' made with the ANSI calls), UTF-16 units for one that
  // keeps Unicode (Wine's always). Only where the two differ is the
  // control asked: the caret stands just after the insertion. A control
  // at its text limit takes fewer characters than counted here; the next
  // edit's From shows it.
  const auto wide = [&insertion] {
    return static_cast<size_t>(MultiByteToWideChar(CP_ACP, 0, insertion.data(),
                                                   static_cast<int>(insertion.size()), nullptr, 0));
  };
  const bool oneByteEach = std::none_of(insertion.begin(), insertion.end(),
                                        [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
  if (oneByteEach || wide() == insertion.size()) {
    return {position, position + static_cast<LRESULT>(insertion.size())};
  }
  SendMessageA(h, EM_GETSEL, 0, reinterpret_cast<LPARAM>(&end));
  return {position, static_cast<LRESULT>(end)};
}

void TMemoStrings::Clear() { SendMessageA(Handle(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("")); }

std::string TMemoStrings::Text() const { return memo_->Text(); }

// Text() is ANSI: a double-byte character is two bytes of it. The control
// counts in its own units, which its messages do not convert: Windows'
// edit control made with the ANSI calls keeps ANSI text and counts bytes;
// one that keeps Unicode text (Wine's always) counts UTF-16 units. Where
// the text ends tells which: at its length in bytes when the control counts
// bytes or the text has no character of more than one.
LRESULT TMemoStrings::Position(const std::string& text, size_t offset) const {
  if (offset == 0 || static_cast<size_t>(TextEnd(Handle())) == text.size()) {
    return static_cast<LRESULT>(offset);
  }
  return MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(offset), nullptr, 0);
}

void TMemoStrings::SetText(const std::string& text) {
  const std::string normalised = NormaliseLineBreaks(text);
  if (normalised == Text()) return;
  if (!SendMessageA(Handle(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(normalised.c_str()))) {
    throw EInvalidOperation("Text exceeds memo capacity");
  }
}

void TMemoStrings::BeginUpdate() {
  if (updateCount_++ == 0) SetUpdateState(true);
}

void TMemoStrings::EndUpdate() {
  if (updateCount_ == 0) return;
  if (--updateCount_ == 0) SetUpdateState(false);
}

// Only while visible: switching redrawing back on marks a window visible, so
// doing it on a hidden memo would show it.
void TMemoStrings::SetUpdateState(bool updating) {
  if (!memo_->HandleAllocated() || !Showing(memo_)) return;
  HWND h = Handle();
  SendMessageA(h, WM_SETREDRAW, updating ? FALSE : TRUE, 0);
  if (!updating) RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
}
