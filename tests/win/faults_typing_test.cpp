// Long random typing sessions in the terminal pane of the real window,
// checked byte for byte against a plain model of the typed line: every
// character event (printable, control characters, Backspace, Enter, runs far
// past 63 characters) goes to the pane as WM_CHAR, with caret moves and
// received lines in between, sometimes with no port open. What the port
// receives, and the boxes shown, must be exactly what the model says.
#include <gtest/gtest.h>

#include <memory>
#include <random>
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

// The typed line as the user would describe it: Backspace takes back the
// last stored character, any other character but zero is stored while
// fewer than 63 are, Enter (stored like the rest when there is room) sends
// the line and CR LF when a port is open and empties it in any case.
class TypedModel {
public:
  // Returns what reaches the port for this character.
  std::string Apply(char c, bool portOpen) {
    if (c == '\b') {
      if (!line_.empty()) line_.pop_back();
    } else if (c != '\0' && line_.size() < 63) {
      line_ += c;
    }
    if (c != '\r') return "";
    std::string wire = portOpen ? line_ + "\r\n" : "";
    line_.clear();
    return wire;
  }
  const std::string& Line() const { return line_; }

private:
  std::string line_;
};

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

  static void Char(char c) {
    SendMessageA(Main->CommBuff->Handle(), WM_CHAR, static_cast<unsigned char>(c), 0);
  }

  std::vector<std::string> boxes;
};

// One random character: mostly printable, with control characters (Ctrl+A
// to Ctrl+Z among them), Backspace, Enter, zero and bytes above 127.
char RandomChar(std::mt19937& rng) {
  const int pick = std::uniform_int_distribution<int>(0, 99)(rng);
  if (pick < 60) return static_cast<char>(std::uniform_int_distribution<int>(32, 126)(rng));
  if (pick < 70) return '\b';
  if (pick < 74) return '\r';
  if (pick < 85) return static_cast<char>(std::uniform_int_distribution<int>(1, 31)(rng));
  if (pick < 87) return '\0';
  return static_cast<char>(std::uniform_int_distribution<int>(128, 255)(rng));
}

TEST_F(TypingFaults, RandomSessionsSendExactlyWhatWasTyped) {
  std::mt19937 rng(7340033u);
  TypedModel model;
  size_t expectedBoxes = 0;
  for (int session = 0; session < 12; ++session) {
    SCOPED_TRACE("session " + std::to_string(session));
    const bool portOpen = session % 4 != 3;
    std::unique_ptr<PipePort> port(portOpen ? new PipePort : nullptr);
    std::string expected;
    const int length = std::uniform_int_distribution<int>(50, 300)(rng);
    for (int i = 0; i < length; ++i) {
      const int event = std::uniform_int_distribution<int>(0, 99)(rng);
      if (event < 3) {  // the caret somewhere in older text
        const int size = GetWindowTextLengthA(Main->CommBuff->Handle());
        const int at = std::uniform_int_distribution<int>(0, size)(rng);
        SendMessageA(Main->CommBuff->Handle(), EM_SETSEL, at, at);
        continue;
      }
      if (event < 6) {  // a received line, here or from another thread
        ShowLine(("RX " + std::to_string(i)).c_str(), true);
        continue;
      }
      if (event < 8) {  // a run far past the line's room
        const std::string run(static_cast<size_t>(std::uniform_int_distribution<int>(64, 200)(rng)),
                              static_cast<char>('a' + session % 26));
        for (char c : run) {
          Char(c);
          model.Apply(c, portOpen);
        }
        continue;
      }
      const char c = RandomChar(rng);
      Char(c);
      expected += model.Apply(c, portOpen);
      if (c == '\r' && !portOpen) ++expectedBoxes;
    }
    Char('\r');  // every session ends with an Enter
    expected += model.Apply('\r', portOpen);
    if (!portOpen) ++expectedBoxes;

    if (port) {
      ASSERT_EQ(Hex(port->TakeAtLeast(expected.size(), 2000)), Hex(expected));
    }
    ASSERT_EQ(boxes.size(), expectedBoxes);
    ASSERT_EQ(TypedLength(TypedLine), 0u) << "an Enter empties the line";
    PumpFor(1);
    Main->CommBuff->Lines()->Clear();
  }
  for (const std::string& box : boxes) EXPECT_EQ(box, "Select COM port (Settings->Port)");
}

TEST_F(TypingFaults, TypedLineTracksTheModelCharacterByCharacter) {
  std::mt19937 rng(65537u);
  TypedModel model;
  PipePort port;
  for (int i = 0; i < 2000; ++i) {
    char c = RandomChar(rng);
    if (c == '\r') c = '\b';  // no Enter: the line itself is compared
    Char(c);
    model.Apply(c, true);
    ASSERT_EQ(std::string(TypedText(TypedLine)), model.Line()) << "after character " << i;
  }
  EXPECT_EQ(port.Take(), "");
}

}  // namespace
