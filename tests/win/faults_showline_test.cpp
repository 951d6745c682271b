// Floods of received lines handed over from another thread, the way the
// receiver hands them over to the pane: thousands of empty lines, and lines far
// longer than the 64 characters a received line normally has. All arrive,
// in order, none twice; the pane stays within its bound; the window's
// thread keeps answering while it works through them.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "app/MainForm.h"
#include "app/TerminalPane.h"
#include "framework/Application.h"
#include "link/LinkReports.h"
#include "support/MainWindow.h"
#include "support/Pump.h"

namespace {

class ShowLineFaults : public testing::Test {
protected:
  static void SetUpTestSuite() { EnsureMainWindow(); }

  void SetUp() override {
    // Clear unchecked: nothing vanishes while the test looks.
    if (Main->MenuErase->Checked()) Main->MenuEraseClick(Main->MenuErase);
    Main->CommBuff->Lines()->Clear();
  }
  void TearDown() override {
    if (!Main->MenuErase->Checked()) Main->MenuEraseClick(Main->MenuErase);
  }

  static std::string PaneText() { return Main->CommBuff->Lines()->Text(); }
};

TEST_F(ShowLineFaults, TenThousandEmptyLinesAllArriveInOrder) {
  // In rounds that fit the pane's bound, each ended by a numbered line, so
  // that every empty line can be counted in the pane.
  constexpr int kRounds = 20, kEmpty = 500;
  for (int round = 0; round < kRounds; ++round) {
    const std::string marker = "END " + std::to_string(round);
    std::thread receiver([&marker] {
      for (int i = 0; i < kEmpty; ++i) HandOverLine("");
      HandOverLine(marker.c_str());
    });
    const bool arrived =
        PumpUntil([&] { return PaneText().find(marker) != std::string::npos; }, 30000);
    receiver.join();
    ASSERT_TRUE(arrived) << "round " << round;
    PumpFor(1);
    std::string expected;
    for (int i = 0; i < kEmpty; ++i) expected += "\r\n";
    ASSERT_EQ(PaneText(), expected + marker + "\r\n") << "round " << round;
    Main->CommBuff->Lines()->Clear();
  }
}

// A line of the given length that names itself: "<index>:" then letters.
std::string LongLine(int index, size_t length) {
  std::string line = std::to_string(index) + ":";
  while (line.size() < length) line += static_cast<char>('a' + line.size() % 26);
  return line;
}

TEST_F(ShowLineFaults, LongLinesArriveWholeAndInOrderAndThePaneStaysBounded) {
  const size_t lengths[] = {64, 65, 127, 200, 1000, 4000};
  constexpr int kLines = 240;
  std::atomic<bool> done{false};
  std::thread receiver([&] {
    for (int i = 0; i < kLines; ++i) {
      HandOverLine(LongLine(i, lengths[i % (sizeof(lengths) / sizeof(lengths[0]))]).c_str());
    }
    done = true;
  });
  // While the lines pour in, the window's thread answers a message sent
  // from yet another thread.
  std::atomic<bool> answered{false};
  std::thread asker([&] {
    DWORD_PTR result = 0;
    answered = SendMessageTimeoutA(Main->Handle(), WM_NULL, 0, 0, SMTO_NORMAL, 20000, &result) != 0;
  });
  const std::string last = LongLine(kLines - 1, lengths[(kLines - 1) % 6]) + "\r\n";
  const bool arrived = PumpUntil([&] {
    const std::string text = PaneText();
    return done && text.size() >= last.size() &&
           text.compare(text.size() - last.size(), last.size(), last) == 0;
  }, 60000);
  receiver.join();
  PumpUntil([&] { return answered.load(); }, 20000);
  asker.join();
  ASSERT_TRUE(arrived);
  EXPECT_TRUE(answered) << "the window's thread did not answer while lines arrived";

  // The pane holds whole lines only, consecutive, ending with the last one.
  const std::string text = PaneText();
  size_t at = 0;
  int previous = -1;
  while (at < text.size()) {
    const size_t end = text.find("\r\n", at);
    ASSERT_NE(end, std::string::npos) << "a line without its line break";
    const std::string line = text.substr(at, end - at);
    const int index = std::stoi(line);
    ASSERT_EQ(line, LongLine(index, lengths[index % 6])) << "a cut or altered line";
    if (previous >= 0) {
      ASSERT_EQ(index, previous + 1);
    }
    previous = index;
    at = end + 2;
  }
  EXPECT_EQ(previous, kLines - 1);

  // Far fewer lines than the line bound, but far more characters than the
  // character bound went in: the characters bound the pane, and it still
  // holds at least the newest lines a trim leaves.
  EXPECT_LE(text.size(), PaneCharBound);
  int newest = kLines;
  for (size_t kept = 0; newest > 0;) {
    kept += LongLine(newest - 1, lengths[(newest - 1) % 6]).size() + 2;
    if (kept > PaneKeptChars) break;
    --newest;
  }
  ASSERT_GT(newest, 0) << "the lines should not all fit";
  EXPECT_LE(std::stoi(text), newest) << "lines a trim keeps are gone";
}

}  // namespace
