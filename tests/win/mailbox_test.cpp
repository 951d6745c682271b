// The main thread's mailbox: work posted from any thread runs on the main
// thread in the order posted, posting never waits, a main thread that lags
// loses nothing (also when the platform refuses a wake-up), and what is
// still queued at the close is freed without being run.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "framework/Dialogs.h"
#include "framework/Mailbox.h"
#include "framework/SysInit.h"
#include "framework/SysUtils.h"
#include "support/Pump.h"
#include "support/PlatformFaults.h"

namespace {

// Wake-ups the mailbox asked the platform for, and whether it refuses them.
std::atomic<int> WakeCalls{0};
std::atomic<bool> RefuseWakes{false};

BOOL WINAPI CountingPost(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  ++WakeCalls;
  if (RefuseWakes) {
    SetLastError(ERROR_NOT_ENOUGH_QUOTA);
    return FALSE;
  }
  return PostMessageA(hwnd, msg, wParam, lParam);
}

// Counts its own destruction, so a test sees work freed without being run.
struct Tracked {
  explicit Tracked(std::atomic<int>& freed) : Freed(freed) {}
  ~Tracked() { ++Freed; }
  std::atomic<int>& Freed;
};

class Mailbox : public testing::Test {
protected:
  void SetUp() override {
    OpenMailbox();
    PumpFor(10);  // nothing of an earlier test left
    WakeCalls = 0;
    RefuseWakes = false;
    countingPost_ = std::make_unique<TCallSubstitute<&TPlatformCalls::PostMessageA>>(&CountingPost);
  }
  void TearDown() override {
    countingPost_.reset();
    SetMessageBoxHook(nullptr);
    OpenMailbox();
  }

  std::unique_ptr<TCallSubstitute<&TPlatformCalls::PostMessageA>> countingPost_;

  // What ran, in order, on the main thread only.
  std::vector<int> ran;
  bool AllOnMainThread = true;
  TMailWork Record(int n) {
    return [this, n] {
      ran.push_back(n);
      if (GetCurrentThreadId() != MainThreadID) AllOnMainThread = false;
    };
  }
};

TEST_F(Mailbox, WorkFromManyThreadsRunsOnTheMainThreadInEachThreadsOrder) {
  constexpr int kThreads = 4, kEach = 2000;
  std::vector<std::thread> posters;
  for (int t = 0; t < kThreads; ++t) {
    posters.emplace_back([this, t] {
      for (int i = 0; i < kEach; ++i) PostToMainThread(Record(t * kEach + i));
    });
  }
  ASSERT_TRUE(PumpUntil([&] { return ran.size() == kThreads * kEach; }, 30000)) << ran.size();
  for (auto& poster : posters) poster.join();
  EXPECT_TRUE(AllOnMainThread);
  std::vector<int> next(kThreads, 0);
  for (int n : ran) {
    const int t = n / kEach;
    ASSERT_EQ(n % kEach, next[t]) << "thread " << t;
    ++next[t];
  }
}

TEST_F(Mailbox, AMainThreadThatLagsLosesNothingAndHoldsOneWakeUpAtMost) {
  constexpr int kCount = 20000;  // twice the platform's per-thread message quota
  std::thread poster([this] {
    for (int i = 0; i < kCount; ++i) PostToMainThread(Record(i));
  });
  // The main thread handles nothing meanwhile: posting never waits for it.
  poster.join();
  EXPECT_EQ(1, WakeCalls.load());
  EXPECT_TRUE(ran.empty());
  ASSERT_TRUE(PumpUntil([&] { return ran.size() == kCount; }, 30000)) << ran.size();
  for (int i = 0; i < kCount; ++i) ASSERT_EQ(i, ran[i]);
}

TEST_F(Mailbox, WorkWhoseWakeUpThePlatformRefusedRunsWithTheNextPost) {
  RefuseWakes = true;
  std::thread([this] {
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(PostToMainThread(Record(i)));
  }).join();
  PumpFor(50);
  EXPECT_TRUE(ran.empty());
  EXPECT_EQ(3, WakeCalls.load()) << "each post asks again";
  RefuseWakes = false;
  std::thread([this] { PostToMainThread(Record(3)); }).join();
  ASSERT_TRUE(PumpUntil([&] { return ran.size() == 4; }));
  EXPECT_EQ((std::vector<int>{0, 1, 2, 3}), ran);
}

TEST_F(Mailbox, AWakeUpAskedForAgainRunsWorkWhoseWakeUpWasRefused) {
  std::thread([this] { WakeMailbox(); }).join();
  EXPECT_EQ(0, WakeCalls.load()) << "nothing queued: nothing to wake for";
  RefuseWakes = true;
  std::thread([this] { PostToMainThread(Record(0)); }).join();
  RefuseWakes = false;
  PumpFor(50);
  EXPECT_TRUE(ran.empty());
  std::thread([this] { WakeMailbox(); }).join();
  ASSERT_TRUE(PumpUntil([&] { return ran.size() == 1; }));
  EXPECT_EQ(2, WakeCalls.load());
  std::thread([this] {
    PostToMainThread(Record(1));
    WakeMailbox();  // one is on its way already
  }).join();
  EXPECT_EQ(3, WakeCalls.load());
  ASSERT_TRUE(PumpUntil([&] { return ran.size() == 2; }));
  EXPECT_EQ((std::vector<int>{0, 1}), ran);
}

TEST_F(Mailbox, WorkStillQueuedAtTheCloseIsFreedNeverRun) {
  std::atomic<int> freed{0};
  std::atomic<int> runs{0};
  std::thread([&] {
    for (int i = 0; i < 5; ++i) {
      auto token = std::make_shared<Tracked>(freed);
      PostToMainThread([token, &runs] { ++runs; });
    }
  }).join();
  CloseMailbox();
  EXPECT_EQ(5, freed.load());
  EXPECT_EQ(nullptr, MailboxWindow());

  // Closed: a post is refused and its work freed at once.
  bool accepted = true;
  std::thread([&] {
    auto token = std::make_shared<Tracked>(freed);
    accepted = PostToMainThread([token, &runs] { ++runs; });
  }).join();
  EXPECT_FALSE(accepted);
  EXPECT_EQ(6, freed.load());
  PumpFor(50);
  EXPECT_EQ(0, runs.load());

  // Opened again, it works as before.
  OpenMailbox();
  std::thread([this] { PostToMainThread(Record(7)); }).join();
  ASSERT_TRUE(PumpUntil([&] { return ran.size() == 1; }));
  EXPECT_EQ(7, ran[0]);
}

TEST_F(Mailbox, AFailingUnitIsReportedAndTheNextStillRuns) {
  std::vector<std::string> boxes;
  SetMessageBoxHook([&boxes](const std::string& text, const std::string&, UINT) {
    boxes.push_back(text);
    return IDOK;
  });
  std::thread([this] {
    PostToMainThread(Record(1));
    PostToMainThread([] { throw Exception("line lost"); });
    PostToMainThread(Record(2));
  }).join();
  ASSERT_TRUE(PumpUntil([&] { return ran.size() == 2; }));
  EXPECT_EQ((std::vector<int>{1, 2}), ran);
  EXPECT_EQ((std::vector<std::string>{"line lost."}), boxes);
}

// A unit that runs a modal loop (a message box) has the units after it run
// inside that loop, still in the order posted, and none twice.
TEST_F(Mailbox, OrderHoldsAcrossAModalLoopInsideAUnit) {
  SetMessageBoxHook([](const std::string&, const std::string&, UINT) {
    PumpFor(50);
    return IDOK;
  });
  std::thread([this] {
    PostToMainThread([this] {
      ran.push_back(1);
      ShowModalBox("modal", "caption", MB_OK);
      ran.push_back(4);
    });
    PostToMainThread(Record(2));
    PostToMainThread(Record(3));
  }).join();
  ASSERT_TRUE(PumpUntil([&] { return ran.size() == 4; }));
  PumpFor(20);
  EXPECT_EQ((std::vector<int>{1, 2, 3, 4}), ran);
}

}  // namespace
