// TMemo on a real form: the lines object's operations on the control's text,
// the key-press path, the defaults, the window styles and re-creation, and
// the control's text limit.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/Dialogs.h"
#include "framework/Forms.h"
#include "framework/Memo.h"
#include "framework/SysUtils.h"
#include "support/PaneRecorder.h"
#include "support/Pump.h"

namespace {

class MemoTest : public testing::Test {
protected:
  void SetUp() override {
    form_ = std::make_unique<TForm>(nullptr);
    form_->SetBounds(20, 20, 420, 320);
    memo = new TMemo(form_.get());
    memo->SetBounds(5, 5, 300, 200);
    memo->SetParent(form_.get());
    form_->AfterConstruction();  // made, not shown
  }

  // Content and caret set directly on the control, bypassing the lines
  // object under test.
  void Given(const std::string& text) {
    SetWindowTextA(memo->Handle(), text.c_str());
    SendMessageA(memo->Handle(), EM_SETSEL, 0, 0);
  }
  std::string Content() {
    HWND h = memo->Handle();
    std::string text(static_cast<size_t>(GetWindowTextLengthA(h)) + 1, '\0');
    text.resize(static_cast<size_t>(GetWindowTextA(h, &text[0], static_cast<int>(text.size()))));
    return text;
  }
  DWORD Caret() {
    DWORD start = 0, end = 0;
    SendMessageA(memo->Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, end) << "a selection where a caret was expected";
    return end;
  }
  void Type(char c) { SendMessageA(memo->Handle(), WM_CHAR, static_cast<unsigned char>(c), 1); }
  void Type(const std::string& s) {
    for (char c : s) Type(c);
  }
  LONG_PTR Style() { return GetWindowLongPtrA(memo->Handle(), GWL_STYLE); }
  void ShowForm() {
    form_->SetVisible(true);
    PumpFor(50);
  }

  std::unique_ptr<TForm> form_;
  TMemo* memo = nullptr;  // owned by the form
};

// ---------------------------------------------------- append, type, clear

TEST_F(MemoTest, AppendTypeAppendClear) {
  TMemoStrings* lines = memo->Lines();
  EXPECT_EQ(lines->Count(), 0);

  EXPECT_EQ(lines->Add("A"), 0);
  EXPECT_EQ(Content(), "A\r\n");
  EXPECT_EQ(lines->Count(), 1);

  EXPECT_EQ(lines->Add("B"), 1);
  EXPECT_EQ(Content(), "A\r\nB\r\n");
  EXPECT_EQ(Caret(), 6u);

  Type("xy");  // on the empty last line, where the caret is
  EXPECT_EQ(Content(), "A\r\nB\r\nxy");
  EXPECT_EQ(lines->Count(), 3);

  EXPECT_EQ(lines->Add("C"), 3);
  EXPECT_EQ(Content(), "A\r\nB\r\nxy\r\nC");
  EXPECT_EQ(Caret(), 11u);
  EXPECT_EQ(lines->Count(), 4);
  const char* expected[] = {"A", "B", "xy", "C"};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(lines->Get(i), expected[i]) << "line " << i;
  EXPECT_EQ(lines->Text(), "A\r\nB\r\nxy\r\nC");

  lines->Clear();
  EXPECT_EQ(Content(), "");
  EXPECT_EQ(lines->Count(), 0);
}

// ---------------------------------------------------- line operations

struct InsertCase {
  const char* Before;
  int Index;
  const char* After;
  DWORD CaretAfter;  // where the caret ends; unused when nothing changes
};

const InsertCase kInsertCases[] = {
    {"", 0, "X\r\n", 3},
    {"A\r\nB", 0, "X\r\nA\r\nB", 3},
    {"A\r\nB", 1, "A\r\nX\r\nB", 6},
    {"A\r\nB", 2, "A\r\nB\r\nX", 7},   // after a last line that holds text
    {"A\r\n", 1, "A\r\nX\r\n", 6},     // the empty last line is line 1
    {"A\r\nB", 3, "A\r\nB", 0},        // line 2 does not exist either
    {"A\r\n", 2, "A\r\n", 0},          // line 1 exists but is empty
    {"", 1, "", 0},                    // line 0 is empty
    {"A\r\nB", -1, "A\r\nB", 0},
};

TEST_F(MemoTest, InsertPutsTheLineWhereTheIndexSaysOrNowhere) {
  for (const InsertCase& c : kInsertCases) {
    SCOPED_TRACE(std::string("before \"") + c.Before + "\", index " + std::to_string(c.Index));
    Given(c.Before);
    memo->Lines()->Insert(c.Index, "X");
    EXPECT_EQ(Content(), c.After);
    EXPECT_EQ(Caret(), c.CaretAfter);
  }
}

struct LineEditCase {
  const char* Before;
  int Index;
  const char* AfterPut;     // Put(index, "XY")
  const char* AfterDelete;  // Delete(index)
};

const LineEditCase kLineEditCases[] = {
    {"A\r\nB\r\nC", 0, "XY\r\nB\r\nC", "B\r\nC"},
    {"A\r\nB\r\nC", 1, "A\r\nXY\r\nC", "A\r\nC"},
    {"A\r\nB\r\nC", 2, "A\r\nB\r\nXY", "A\r\nB\r\n"},  // the last line: to its end
    {"A\r\nB\r\nC", 3, "A\r\nB\r\nC", "A\r\nB\r\nC"},
    {"A\r\nB\r\nC", -1, "A\r\nB\r\nC", "A\r\nB\r\nC"},
    {"A\r\n", 1, "A\r\nXY", "A\r\n"},  // the control's empty last line
    {"", 0, "XY", ""},
};

TEST_F(MemoTest, PutAndDeleteActOnExistingLinesOnly) {
  for (const LineEditCase& c : kLineEditCases) {
    SCOPED_TRACE(std::string("before \"") + c.Before + "\", index " + std::to_string(c.Index));
    Given(c.Before);
    memo->Lines()->Put(c.Index, "XY");
    EXPECT_EQ(Content(), c.AfterPut);
    Given(c.Before);
    memo->Lines()->Delete(c.Index);
    EXPECT_EQ(Content(), c.AfterDelete);
  }
}

TEST_F(MemoTest, CountAndGet) {
  struct Case {
    const char* Text;
    int Count;
  };
  const Case cases[] = {{"", 0}, {"A", 1}, {"A\r\n", 1}, {"A\r\nB", 2}, {"A\r\n\r\n", 2}, {"\r\n", 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Text);
    Given(c.Text);
    EXPECT_EQ(memo->Lines()->Count(), c.Count);
  }
  Given("first\r\nsecond");
  EXPECT_EQ(memo->Lines()->Get(1), "second");
  EXPECT_EQ(memo->Lines()->Get(2), "");
  EXPECT_EQ(memo->Lines()->Get(-1), "");
}

TEST_F(MemoTest, GetReturnsAtMost4096Characters) {
  memo->SetWordWrap(false);
  Given(std::string(5000, 'w') + "\r\nnext");
  EXPECT_EQ(memo->Lines()->Get(0), std::string(4096, 'w'));
  EXPECT_EQ(memo->Lines()->Get(1), "next");
}

// ---------------------------------------------------- whole text

TEST_F(MemoTest, SetTextNormalisesLineBreaks) {
  struct Case {
    const char* Given;
    const char* Stored;
  };
  const Case cases[] = {
      {"a\nb", "a\r\nb"},     {"a\rb", "a\r\nb"},         {"a\r\nb", "a\r\nb"},
      {"a\n\rb", "a\r\n\r\nb"}, {"a\n\nb\n", "a\r\n\r\nb\r\n"}, {"", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Given);
    memo->Lines()->SetText(c.Given);
    EXPECT_EQ(Content(), c.Stored);
  }
}

// A control that counts the texts it is given and can refuse them.
class TWatchedMemo : public TMemo {
public:
  using TMemo::TMemo;
  bool Refuse = false;
  int TextsGiven = 0;

protected:
  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
    if (msg == WM_SETTEXT) {
      ++TextsGiven;
      if (Refuse) return FALSE;
    }
    return TMemo::WndProc(msg, wParam, lParam);
  }
};

// (A multi-line edit raises no EN_CHANGE for WM_SETTEXT, so the messages
// themselves are counted.)
TEST_F(MemoTest, SetTextOfTheCurrentTextChangesNothing) {
  auto* watched = new TWatchedMemo(form_.get());
  watched->SetParent(form_.get());
  watched->Lines()->SetText("one\ntwo");
  const int afterFirst = watched->TextsGiven;
  EXPECT_GE(afterFirst, 1);
  watched->Lines()->SetText("one\r\ntwo");
  watched->Lines()->SetText("one\ntwo");
  EXPECT_EQ(watched->TextsGiven, afterFirst);
  watched->Lines()->SetText("one\ntwo\n");
  EXPECT_EQ(watched->TextsGiven, afterFirst + 1);
}

TEST_F(MemoTest, RefusedTextRaises) {
  auto* refusing = new TWatchedMemo(form_.get());
  refusing->SetParent(form_.get());
  refusing->Lines()->SetText("kept");
  refusing->Refuse = true;
  try {
    refusing->Lines()->SetText("too much");
    FAIL() << "no error raised";
  } catch (const EInvalidOperation& e) {
    EXPECT_EQ(e.Message(), "Text exceeds memo capacity");
  }
  EXPECT_EQ(refusing->Lines()->Text(), "kept");
}

// ---------------------------------------------------- the key-press path

// A handler that raises consumes the character as well: what it meant the
// character to be is unknown. The exception box shows the error, and the
// control goes on taking characters.
TEST_F(MemoTest, HandlerDecidesWhatTheControlApplies) {
  struct Case {
    const char* Name;
    char ReplaceWith;  // 1: leave the character alone; 2: raise
    const char* Content;
  };
  const Case cases[] = {{"left alone", 1, "q"}, {"zeroed", 0, ""}, {"raising", 2, ""}, {"changed", 'Z', "Z"}};
  std::vector<std::string> boxes;
  SetMessageBoxHook([&](const std::string& text, const std::string&, UINT) { boxes.push_back(text); return IDOK; });
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    Given("");
    std::vector<char> seen;
    memo->OnKeyPress = [&](TObject* sender, char& key) {
      EXPECT_EQ(sender, memo);
      seen.push_back(key);
      if (c.ReplaceWith == 2) throw Exception("refused");
      if (c.ReplaceWith != 1) key = c.ReplaceWith;
    };
    Type('q');
    EXPECT_EQ(seen, std::vector<char>{'q'});
    EXPECT_EQ(Content(), c.Content);
  }
  SetMessageBoxHook(nullptr);
  EXPECT_EQ(boxes, std::vector<std::string>{"refused."});
}

TEST_F(MemoTest, EnterBreaksTheLineOnlyWithWantReturns) {
  for (bool want : {true, false}) {
    SCOPED_TRACE(want ? "WantReturns on" : "WantReturns off");
    Given("");
    memo->WantReturns = want;
    std::string seen;
    memo->OnKeyPress = [&](TObject*, char& key) { seen += key; };
    Type("ab");
    Type('\r');
    Type('c');
    EXPECT_EQ(seen, "ab\rc");  // the handler sees Enter either way
    EXPECT_EQ(Content(), want ? "ab\r\nc" : "abc");
  }
}

TEST_F(MemoTest, FormKeyPreviewRunsFirstAndMayConsume) {
  std::string formSaw, memoSaw;
  form_->OnKeyPress = [&](TObject*, char& key) {
    formSaw += key;
    if (key == 'p') key = 0;
    if (key == 'u') key = 'U';
  };
  memo->OnKeyPress = [&](TObject*, char& key) { memoSaw += key; };

  form_->KeyPreview = false;
  Type("pu");
  EXPECT_EQ(formSaw, "");
  EXPECT_EQ(memoSaw, "pu");
  EXPECT_EQ(Content(), "pu");

  Given("");
  memoSaw.clear();
  form_->KeyPreview = true;
  Type("pqu");
  EXPECT_EQ(formSaw, "pqu");
  EXPECT_EQ(memoSaw, "qU");
  EXPECT_EQ(Content(), "qU");

  // A preview with no handler lets every key through (a box shown instead
  // would wait for a click).
  std::string box;
  SetMessageBoxHook([&](const std::string& text, const std::string&, UINT) { box = text; return IDOK; });
  form_->OnKeyPress = nullptr;
  Type("r");
  SetMessageBoxHook(nullptr);
  EXPECT_EQ(Content(), "qUr") << box;
}

TEST_F(MemoTest, TypingRaisesOnChange) {
  int changes = 0;
  memo->OnChange = [&](TObject*) { ++changes; };
  Type('k');
  EXPECT_EQ(changes, 1);
  memo->Lines()->Add("line");
  EXPECT_EQ(changes, 2);
}

// What a dialog-style key handler asks before it takes Tab or Enter for
// itself, about a key going down or its character, or about no key at all
// (then the answer for Enter): the memo claims the key only when it wants it.
TEST_F(MemoTest, ClaimsTabAndEnterOnlyWhenWanted) {
  struct Case {
    bool WantTabs, WantReturns;
    WPARAM Key;
    bool Claimed;
    UINT Message = WM_KEYDOWN;  // 0: no key
  };
  const Case cases[] = {
      {false, true, VK_TAB, false},    {true, true, VK_TAB, true},
      {false, true, VK_RETURN, true},  {false, false, VK_RETURN, false},
      {true, false, VK_TAB, true},     {true, false, VK_RETURN, false},
      {false, false, VK_RETURN, false, WM_CHAR}, {false, false, VK_TAB, false, WM_CHAR},
      {false, true, VK_RETURN, true, 0},         {false, false, VK_RETURN, false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.Key == VK_TAB ? "Tab" : "Enter") + (c.WantTabs ? ", WantTabs" : "") +
                 (c.WantReturns ? ", WantReturns" : "") + ", message " + std::to_string(c.Message));
    memo->WantTabs = c.WantTabs;
    memo->WantReturns = c.WantReturns;
    MSG key{memo->Handle(), c.Message, c.Key, 0, 0, {0, 0}};
    const LRESULT code = SendMessageA(memo->Handle(), WM_GETDLGCODE, c.Message ? c.Key : 0,
                                      c.Message ? reinterpret_cast<LPARAM>(&key) : 0);
    const LRESULT claim = c.Key == VK_TAB ? (DLGC_WANTTAB | DLGC_WANTALLKEYS) : DLGC_WANTALLKEYS;
    EXPECT_EQ((code & claim) != 0, c.Claimed) << std::hex << code;
  }
}

// Two answers of Windows' that Wine does not give, put in front of a memo's
// window (one at a time): the ANSI length of its text counts more than the
// control holds (ANSI and Unicode mixed, as for this subclassed control, with
// a double-byte code page counting bytes), and the length of the line at a
// position past the end is 0 (Wine answers the last line's).
class WindowsLengthAnswers {
public:
  explicit WindowsLengthAnswers(HWND memo) : memo_(memo) {
    previous_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(memo, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Proc)));
  }
  ~WindowsLengthAnswers() { SetWindowLongPtrA(memo_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous_)); }

private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    const LRESULT length = CallWindowProcA(previous_, hwnd, WM_GETTEXTLENGTH, 0, 0);
    if (msg == WM_GETTEXTLENGTH) return length + 4;
    if (msg == EM_LINELENGTH && static_cast<LRESULT>(wParam) > length) return 0;
    return CallWindowProcA(previous_, hwnd, msg, wParam, lParam);
  }
  static WNDPROC previous_;
  HWND memo_;
};
WNDPROC WindowsLengthAnswers::previous_ = nullptr;

// Several lines in one edit: the text Add makes of each in turn, with its
// break behind the text while the last line is empty and in front of it
// behind a line that holds text, where an empty line only ends that line;
// also with Windows' answers to the lengths of the text and of its lines.
TEST_F(MemoTest, AddStringsMakesWhatAddWouldInOneEdit) {
  struct Case {
    std::string Given;
    std::vector<std::string> Lines;
    std::string Text;
  };
  const std::string wrapped = std::string(70, 'w') + " " + std::string(70, 'v');
  const Case cases[] = {
      {"", {"a", "b"}, "a\r\nb\r\n"},
      {"x\r\n", {"a", "", "b"}, "x\r\na\r\n\r\nb\r\n"},
      {"ab", {"OK\r"}, "ab\r\nOK\r"},
      {"ab", {"a", "b"}, "ab\r\na\r\nb"},
      {"ab", {"", "x"}, "ab\r\nx\r\n"},
      {"ab", {"a", "", "b"}, "ab\r\na\r\nb\r\n"},
      {wrapped, {"a"}, wrapped + "\r\na"},  // the last row is the tail of a wrapped line
      {"x\r\n", {}, "x\r\n"},
  };
  for (bool windows : {false, true}) {
    SCOPED_TRACE(windows ? "Windows' length answers" : "Wine's");
    std::unique_ptr<WindowsLengthAnswers> answers;
    if (windows) answers = std::make_unique<WindowsLengthAnswers>(memo->Handle());
    for (const Case& c : cases) {
      SCOPED_TRACE(c.Given + " + " + std::to_string(c.Lines.size()) + " lines");
      Given(c.Given);
      TMemoStrings::TSpan span;
      {
        PaneRecorder edits(memo->Handle());
        span = memo->Lines()->AddStrings(c.Lines);
        EXPECT_EQ(edits.Appends(), c.Lines.empty() ? 0 : 1);
      }
      EXPECT_EQ(Content(), c.Text);
      if (!c.Lines.empty()) {
        EXPECT_EQ(Caret(), c.Text.size());
        // Where the text ended before and after, as the pane's tally keeps it.
        EXPECT_EQ(span.From, static_cast<LRESULT>(c.Given.size()));
        EXPECT_EQ(span.To, static_cast<LRESULT>(c.Text.size()));
      }
      Given(c.Given);
      for (const std::string& line : c.Lines) memo->Lines()->Add(line);
      EXPECT_EQ(Content(), c.Text) << "as Add line by line";
    }
  }
}

// ---------------------------------------------------- hidden and visible

// Redrawing is switched back on only for a visible memo: the platform's
// default handling of that switch marks a window visible. (Under Wine the
// edit control keeps the switch to itself, so there this holds either way.)
TEST_F(MemoTest, WorksWhileHiddenAndBatchesKeepItHidden) {
  memo->SetVisible(false);
  ShowForm();
  TMemoStrings* lines = memo->Lines();
  lines->BeginUpdate();
  lines->Add("one");
  lines->Add("two");
  lines->EndUpdate();
  EXPECT_EQ(Content(), "one\r\ntwo\r\n");
  EXPECT_EQ(lines->Count(), 2);
  EXPECT_EQ(Style() & WS_VISIBLE, 0);
}

TEST_F(MemoTest, BatchOnAVisibleMemoEndsRedrawingAndVisible) {
  ShowForm();
  ASSERT_TRUE(IsWindowVisible(memo->Handle()));
  TMemoStrings* lines = memo->Lines();
  lines->BeginUpdate();
  lines->BeginUpdate();
  lines->Add("one");
  lines->EndUpdate();
  lines->Add("two");
  lines->EndUpdate();
  EXPECT_EQ(Content(), "one\r\ntwo\r\n");
  EXPECT_TRUE(IsWindowVisible(memo->Handle()));
}

TEST_F(MemoTest, MadeWithTheFirstOperationWhenNoWindowExistsYet) {
  auto* late = new TMemo(form_.get());
  late->SetVisible(false);
  EXPECT_FALSE(late->HandleAllocated());
  late->SetParent(form_.get());  // the form's window exists: made here or at first use
  late->Lines()->Add("ok");
  EXPECT_TRUE(late->HandleAllocated());
  EXPECT_EQ(late->Lines()->Text(), "ok\r\n");
}

// ---------------------------------------------------- text limit

TEST_F(MemoTest, MaxLengthLimitsAppends) {
  struct Case {
    int MaxLength;
    size_t Stored;
  };
  // 0 is the control's largest, beyond its own default (30,000 under Wine).
  const Case cases[] = {{0, 35002}, {10, 10}, {40000, 35002}};
  const std::string longLine(35000, 'm');
  memo->SetWordWrap(false);  // wrapping one long word is slow in the control
  for (const Case& c : cases) {
    SCOPED_TRACE(c.MaxLength);
    memo->SetMaxLength(c.MaxLength);
    memo->Lines()->Clear();
    memo->Lines()->Add(longLine);
    EXPECT_EQ(Content().size(), c.Stored);
  }
}

TEST_F(MemoTest, MaxLengthZeroIsGivenToANewWindow) {
  auto* fresh = new TMemo(form_.get());
  fresh->SetWordWrap(false);
  fresh->SetParent(form_.get());
  fresh->Lines()->Add(std::string(31000, 'n'));
  EXPECT_EQ(fresh->Lines()->Text().size(), 31002u);
}

// ---------------------------------------------------- defaults and styles

TEST_F(MemoTest, DefaultStyle) {
  const LONG_PTR style = Style();
  EXPECT_NE(style & ES_MULTILINE, 0);
  EXPECT_NE(style & ES_AUTOVSCROLL, 0);
  EXPECT_EQ(style & ES_AUTOHSCROLL, 0);  // word wrap
  EXPECT_EQ(style & (ES_CENTER | ES_RIGHT), 0);
  EXPECT_EQ(style & (WS_HSCROLL | WS_VSCROLL), 0);
  EXPECT_NE(style & WS_TABSTOP, 0);
  EXPECT_EQ(style & ES_READONLY, 0);
  EXPECT_EQ(style & ES_NOHIDESEL, 0);
  EXPECT_NE(GetWindowLongPtrA(memo->Handle(), GWL_EXSTYLE) & WS_EX_CLIENTEDGE, 0);
}

TEST_F(MemoTest, StyleChangesRecreateTheWindowKeepingTheText) {
  struct Case {
    const char* Name;
    std::function<void(TMemo&)> Change;
    LONG_PTR Set;
    LONG_PTR Clear;
  };
  const Case cases[] = {
      {"no word wrap", [](TMemo& m) { m.SetWordWrap(false); }, ES_AUTOHSCROLL, 0},
      {"word wrap again", [](TMemo& m) { m.SetWordWrap(true); }, 0, ES_AUTOHSCROLL},
      {"right", [](TMemo& m) { m.SetAlignment(TAlignment::RightJustify); }, ES_RIGHT, ES_CENTER},
      {"centre", [](TMemo& m) { m.SetAlignment(TAlignment::Center); }, ES_CENTER, ES_RIGHT},
      {"vertical", [](TMemo& m) { m.SetScrollBars(TScrollStyle::Vertical); }, WS_VSCROLL, WS_HSCROLL},
      {"horizontal", [](TMemo& m) { m.SetScrollBars(TScrollStyle::Horizontal); }, WS_HSCROLL, WS_VSCROLL},
      {"both", [](TMemo& m) { m.SetScrollBars(TScrollStyle::Both); }, WS_VSCROLL | WS_HSCROLL, 0},
      {"no selection hiding", [](TMemo& m) { m.SetHideSelection(false); }, ES_NOHIDESEL, 0},
  };
  memo->Lines()->Add("kept");
  memo->Lines()->Add("across");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    c.Change(*memo);
    const LONG_PTR style = Style();
    EXPECT_EQ(style & c.Set, c.Set);
    EXPECT_EQ(style & c.Clear, 0);
    EXPECT_NE(style & ES_MULTILINE, 0);
    EXPECT_EQ(Content(), "kept\r\nacross\r\n");
  }
}

TEST_F(MemoTest, ReadOnlyRefusesTyping) {
  Given("r");
  SendMessageA(memo->Handle(), EM_SETSEL, 1, 1);
  memo->SetReadOnly(true);
  EXPECT_NE(Style() & ES_READONLY, 0);
  Type('s');
  EXPECT_EQ(Content(), "r");
  memo->SetReadOnly(false);
  Type('s');
  EXPECT_EQ(Content(), "rs");
}

}  // namespace
