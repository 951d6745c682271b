// Typing in the terminal pane of the real window while other things happen:
// lines received between the characters, the caret moved into older text,
// characters of every kind, runs past the line's room, Enter with no port
// open. Each character goes to the pane as WM_CHAR; what the port receives
// is compared byte for byte with the line as typed.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/MainForm.h"
#include "app/TerminalPane.h"
#include "framework/Application.h"
#include "framework/Dialogs.h"
#include "support/MainWindow.h"
#include "support/PipePort.h"
#include "support/Pump.h"

namespace {

class TypingFaults : public testing::Test {
protected:
  static void SetUpTestSuite() { EnsureMainWindow(); }

  void SetUp() override {
    Main->CommBuff->Lines()->Clear();
    EmptyTypedLine(TypedLine);
    SetMessageBoxHook([this](const std::string& text, const std::string&, UINT) {
      boxes.push_back(text);
      return IDOK;
    });
  }
  void TearDown() override { SetMessageBoxHook(nullptr); }

  // As ANSI characters, or (wide) as the Unicode ones they stand for.
  static void Type(const std::string& keys, bool wide = false) {
    for (char c : keys) {
      wchar_t w = static_cast<unsigned char>(c);
      if (wide) MultiByteToWideChar(CP_ACP, 0, &c, 1, &w, 1);
      (wide ? SendMessageW : SendMessageA)(Main->CommBuff->Handle(), WM_CHAR, w, 0);
    }
  }

  std::vector<std::string> boxes;
};

TEST_F(TypingFaults, WhatHappensBetweenTheCharactersNeverChangesTheLineSent) {
  struct Case {
    const char* Name;
    bool PortOpen;
    // Typed one after another; between two, a line is received and the
    // caret is put into older text.
    std::vector<std::string> Typed;
    std::string Wire;  // what the port gets, as hex
    bool WideFirst = false;  // the first part typed as Unicode characters
  };
  const std::string x30(30, 'x'), y40(40, 'y'), z63(63, 'z');
  const Case cases[] = {
      {"a line received in the middle", true, {"ab", "c\r"}, "61 62 63 0D 0D 0A"},
      {"Backspace after a received line", true, {"abc", "\bd\r"}, "61 62 64 0D 0D 0A"},
      {"Enter alone", true, {"", "\r"}, "0D 0D 0A"},
      {"Backspace on an empty line", true, {"\b", "x\r"}, "78 0D 0D 0A"},
      {"70 characters: 63 are kept, then the line break", true, {x30, y40 + "\r"},
       Hex(x30 + std::string(33, 'y')) + " 0D 0A"},
      {"past the room, Backspace takes back the 63rd", true, {z63 + "!?", "\b\r"},
       Hex(std::string(62, 'z')) + " 0D 0D 0A"},
      {"control and eight-bit characters as typed, zero dropped",
       true,
       {std::string("a\x01\x03\x16\x18\x1a\x1b\t\n\x7f", 10), std::string("\xe9\xff\0b\r", 5)},
       "61 01 03 16 18 1A 1B 09 0A 7F E9 FF 62 0D 0D 0A"},
      {"two lines", true, {"ab\r", "cd\r"}, "61 62 0D 0D 0A 63 64 0D 0D 0A"},
      {"the euro sign as Unicode (20AC), then as its byte", true, {"\x80", "\x80\r"},
       "80 80 0D 0D 0A", true},
      {"no port: nothing sent", false, {"lost", "\r"}, ""},
      {"the line after it starts empty", true, {"", "ok\r"}, "6F 6B 0D 0D 0A"},
  };
  size_t expectedBoxes = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    std::unique_ptr<PipePort> port(c.PortOpen ? new PipePort : nullptr);
    for (size_t i = 0; i < c.Typed.size(); ++i) {
      if (i > 0) {
        ShowLine("RX", true);
        SendMessageA(Main->CommBuff->Handle(), EM_SETSEL, 2, 2);
      }
      Type(c.Typed[i], c.WideFirst && i == 0);
    }
    if (!c.PortOpen) ++expectedBoxes;
    if (port) {
      EXPECT_EQ(Hex(port->Take()), c.Wire);
    }
    EXPECT_EQ(boxes.size(), expectedBoxes);
    EXPECT_EQ(TypedLength(TypedLine), 0u) << "an Enter empties the line";
  }
  for (const std::string& box : boxes) EXPECT_EQ(box, "Select COM port (Settings->Port)");
}

}  // namespace
