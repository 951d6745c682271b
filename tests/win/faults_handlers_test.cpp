// Faults inside handlers of the real main window, with no port: a timer
// handler that raises, and a platform with no timer left at the moment a
// key press arms the repeat. The box appears once per failed event, the
// message loop goes on, and the window works as before once timers are back.
// A pipe stands in for the port where the bytes matter.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/MainForm.h"
#include "framework/Application.h"
#include "framework/Dialogs.h"
#include "framework/SysUtils.h"
#include "keypad/KeyTable.h"
#include "support/MainWindow.h"
#include "support/PipePort.h"
#include "support/Pump.h"
#include "support/PlatformFaults.h"

namespace {

constexpr int kVolumeUp = 11;  // repeats; its press command is "1 17 1 25"

// The platform has no timer left.
const TCallFailure NoTimerLeft{"SetTimer", ERROR_NO_SYSTEM_RESOURCES, 0, 0};

// How many times the text is the line over and over, or -1 when it is
// anything else. A held key's commands are counted with it: the pump looks
// at the port between timer firings, and on a busy machine one more repeat
// may have fired by the time it looks.
int Copies(const std::string& text, const std::string& line) {
  if (text.size() % line.size() != 0) return -1;
  for (size_t at = 0; at < text.size(); at += line.size()) {
    if (text.compare(at, line.size(), line) != 0) return -1;
  }
  return static_cast<int>(text.size() / line.size());
}

class HandlerFaults : public testing::Test {
protected:
  static void SetUpTestSuite() { EnsureMainWindow(); }

  void SetUp() override {
    SetMessageBoxHook([this](const std::string& text, const std::string& caption, UINT flags) {
      boxes.push_back(text + "|" + caption + "|" + std::to_string(flags));
      return IDOK;
    });
    // Clear unchecked: the echo of a command starts no countdown, so the
    // only timer a press starts is the repeat.
    if (Main->MenuErase->Checked()) Main->MenuEraseClick(Main->MenuErase);
    Main->CommBuff->Lines()->Clear();
  }

  void TearDown() override {
    ClearCallFailures();
    Release(kVolumeUp);
    Main->RepeatTimer->SetEnabled(false);
    PumpUntil([] { return !Main->Snap->Visible(); }, 5000);
    if (!Main->MenuErase->Checked()) Main->MenuEraseClick(Main->MenuErase);
    SetMessageBoxHook(nullptr);
  }

  static LPARAM At(int slot) {
    return MAKELPARAM(static_cast<WORD>(KeyTable[slot].X + 2), static_cast<WORD>(KeyTable[slot].Y));
  }
  static void Press(int slot) {
    SendMessageA(Main->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, At(slot));
  }
  static void Release(int slot) { SendMessageA(Main->Handle(), WM_LBUTTONUP, 0, At(slot)); }

  static std::string Box(const std::string& text) {
    return text + "|" + ProgramTitle + "|" + std::to_string(MB_OK | MB_ICONSTOP);
  }

  std::vector<std::string> boxes;
};

TEST_F(HandlerFaults, RaisingTimerShowsOneBoxPerFiringAndTheLoopGoesOn) {
  PipePort port;
  int firings = 0;
  TTimer failing(Main);
  failing.SetInterval(25);
  failing.SetOnTimer([&firings](TObject*) {
    ++firings;
    throw Exception("Handler failed");
  });
  ASSERT_TRUE(PumpUntil([&] { return firings >= 3; }));

  // Meanwhile the window still answers clicks. (A hold would not last:
  // every box takes the mouse from the window, which ends a repeat.)
  for (int click = 0; click < 3; ++click) {
    Press(kVolumeUp);
    Release(kVolumeUp);
    PumpFor(30);
  }
  EXPECT_EQ(port.TakeAtLeast(3 * 11), "1 17 1 25\r\n1 17 1 25\r\n1 17 1 25\r\n");
  EXPECT_TRUE(PumpUntil([] { return !Main->Snap->Visible(); }, 5000))
      << "the marker's own timer still runs beside the failing one";
  ASSERT_TRUE(PumpUntil([&] { return firings >= 6; }));
  failing.SetEnabled(false);

  EXPECT_EQ(boxes, std::vector<std::string>(static_cast<size_t>(firings), Box("Handler failed.")));
}

TEST_F(HandlerFaults, RefusedRepeatTimerReportsOnceAndAPressLaterRepeats) {
  PipePort port;
  FailCall(NoTimerLeft);
  Press(kVolumeUp);
  EXPECT_EQ(boxes, std::vector<std::string>{Box("Not enough timers available.")});
  // The press command left before the timer was armed; no repeat follows.
  PumpFor(400);
  EXPECT_EQ(port.Take(), "1 17 1 25\r\n");
  EXPECT_TRUE(Main->Snap->Visible()) << "the marker marks the key that was pressed";

  ClearCallFailures();
  Release(kVolumeUp);
  EXPECT_TRUE(PumpUntil([] { return !Main->Snap->Visible(); }, 5000))
      << "the marker's linger works with timers back";

  Press(kVolumeUp);
  const std::string repeated = port.TakeAtLeast(4 * 11);
  EXPECT_GE(Copies(repeated, "1 17 1 25\r\n"), 4) << repeated;
  Release(kVolumeUp);
  PumpFor(150);
  EXPECT_EQ(port.Take(), "") << "the release stops the repeat";
  EXPECT_EQ(boxes.size(), 1u);
}

TEST_F(HandlerFaults, RefusedTimerWithClearCheckedReportsOnceAndTheWindowStaysUsable) {
  Main->MenuEraseClick(Main->MenuErase);  // Clear checked: the echo restarts the countdown
  ASSERT_TRUE(Main->MenuErase->Checked());
  PipePort port;
  FailCall(NoTimerLeft);
  Press(kVolumeUp);
  EXPECT_EQ(boxes, std::vector<std::string>{Box("Not enough timers available.")})
      << "the first refusal ends the press's handling";
  EXPECT_EQ(port.Take(), "1 17 1 25\r\n") << "the command is not lost to the failing echo";
  ClearCallFailures();
  Release(kVolumeUp);

  Press(kVolumeUp);
  const std::string repeated = port.TakeAtLeast(2 * 11);
  EXPECT_GE(Copies(repeated, "1 17 1 25\r\n"), 2) << repeated;
  Release(kVolumeUp);
  EXPECT_TRUE(Main->EraseTimer->Enabled()) << "the countdown runs again";
  EXPECT_EQ(boxes.size(), 1u);
}

}  // namespace
