// TTimer under a real message loop: when a countdown restarts and when it
// runs on, when no platform timer runs at all, refusal by the platform,
// failing handlers and the timer's own hidden window.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/Application.h"
#include "framework/Dialogs.h"
#include "framework/SysUtils.h"
#include "framework/Timer.h"
#include "framework/UtilWindow.h"
#include "support/Pump.h"
#include "support/PlatformFaults.h"

namespace {

// Firings of several timers in the order they happened, with their times.
struct FiringLog {
  std::vector<char> Order;
  std::vector<DWORD> Times;

  TNotifyEvent Recorder(char name) {
    return [this, name](TObject*) {
      Order.push_back(name);
      Times.push_back(GetTickCount());
    };
  }
  int Count(char name) const {
    int n = 0;
    for (char c : Order) n += c == name;
    return n;
  }
  DWORD FirstTime(char name) const {
    for (size_t i = 0; i < Order.size(); ++i) {
      if (Order[i] == name) return Times[i];
    }
    return 0;
  }
};

// Kills the platform timer of t, telling whether one was running.
bool KillPlatformTimer(const TTimer& t) { return KillTimer(t.UtilWindow(), 1) != FALSE; }

void PumpUntilElapsed(DWORD since, DWORD ms) {
  PumpUntil([&] { return GetTickCount() - since >= ms; }, ms + 1000);
}

// ------------------------------------------------ when the countdown restarts

// Timer A (600 ms) runs from t0. At t0 + 300 ms a setter is applied to A and
// a reference timer B (450 ms) starts. A countdown that ran on brings A at
// t0 + 600, before B; a restarted one brings A at t0 + 900, after B. The
// platform hands out due timers in the order they fell due, so the order
// does not depend on how promptly the loop runs.
struct SetterCase {
  const char* Name;
  std::function<void(TTimer&, const TNotifyEvent&)> Apply;
  bool Restarts;
};

const SetterCase kSetterCases[] = {
    {"same interval", [](TTimer& t, const TNotifyEvent&) { t.SetInterval(600); }, false},
    {"enabled again while enabled", [](TTimer& t, const TNotifyEvent&) { t.SetEnabled(true); }, false},
    {"disabled and enabled",
     [](TTimer& t, const TNotifyEvent&) {
       t.SetEnabled(false);
       t.SetEnabled(true);
     },
     true},
    {"same handler again", [](TTimer& t, const TNotifyEvent& h) { t.SetOnTimer(h); }, true},
    {"new interval", [](TTimer& t, const TNotifyEvent&) { t.SetInterval(601); }, true},
};

TEST(TimerCountdown, SettersRestartOnlyOnChange) {
  for (const SetterCase& c : kSetterCases) {
    SCOPED_TRACE(c.Name);
    FiringLog log;
    TTimer a(nullptr);
    TTimer b(nullptr);
    b.SetEnabled(false);
    b.SetInterval(450);
    b.SetOnTimer(log.Recorder('B'));
    a.SetInterval(600);
    const TNotifyEvent handler = log.Recorder('A');
    a.SetOnTimer(handler);
    const DWORD t0 = GetTickCount();

    PumpUntilElapsed(t0, 300);
    ASSERT_EQ(log.Count('A'), 0) << "the loop was too late to apply the setter";
    c.Apply(a, handler);
    const DWORD applied = GetTickCount();
    b.SetEnabled(true);

    ASSERT_TRUE(PumpUntil([&] { return log.Count('A') > 0; }));
    ASSERT_FALSE(log.Order.empty());
    EXPECT_EQ(log.Order.front(), c.Restarts ? 'B' : 'A');
    if (c.Restarts) {
      EXPECT_GE(log.FirstTime('A') - applied, 600u - 40u);
    }
  }
}

TEST(TimerCountdown, StoredDisabledFiresFirstOneIntervalAfterEnabling) {
  FiringLog log;
  TTimer a(nullptr);
  // The stored order of a layout: Enabled, Interval, OnTimer.
  a.SetEnabled(false);
  a.SetInterval(30);
  a.SetOnTimer(log.Recorder('A'));
  PumpFor(200);
  EXPECT_EQ(log.Count('A'), 0);

  TTimer reference(nullptr);
  reference.SetInterval(500);
  a.SetEnabled(true);
  const DWORD enabled = GetTickCount();
  reference.SetOnTimer(log.Recorder('R'));

  ASSERT_TRUE(PumpUntil([&] { return log.Count('A') > 0; }));
  EXPECT_EQ(log.Order.front(), 'A');
  EXPECT_GE(log.FirstTime('A') - enabled, 20u);
}

// ------------------------------------------------ when nothing runs

struct IdleCase {
  const char* Name;
  bool Enabled;
  unsigned Interval;
  bool Handler;
};

const IdleCase kIdleCases[] = {
    {"interval 0", true, 0, true},
    {"no handler", true, 40, false},
    {"disabled", false, 40, true},
};

TEST(TimerIdle, NoPlatformTimerUnlessEnabledWithIntervalAndHandler) {
  for (const IdleCase& c : kIdleCases) {
    SCOPED_TRACE(c.Name);
    FiringLog log;
    TTimer t(nullptr);
    t.SetInterval(c.Interval);
    t.SetEnabled(c.Enabled);
    if (c.Handler) t.SetOnTimer(log.Recorder('T'));
    PumpFor(200);
    EXPECT_EQ(log.Count('T'), 0);
    EXPECT_FALSE(KillPlatformTimer(t));
  }
}

TEST(TimerIdle, HandlerGivenLaterStartsTheTimer) {
  FiringLog log;
  TTimer t(nullptr);
  t.SetInterval(40);
  t.SetEnabled(true);
  PumpFor(150);
  t.SetOnTimer(log.Recorder('T'));
  EXPECT_TRUE(PumpUntil([&] { return log.Count('T') >= 2; }));
}

TEST(TimerIdle, DefaultsAreEnabledAnd1000) {
  TTimer t(nullptr);
  EXPECT_TRUE(t.Enabled());
  EXPECT_EQ(t.Interval(), 1000u);
  EXPECT_FALSE(t.OnTimer());
  EXPECT_FALSE(KillPlatformTimer(t));
}

// ------------------------------------------------ the platform refuses

// The platform has no timer left.
const TCallFailure NoTimerLeft{"SetTimer", ERROR_NO_SYSTEM_RESOURCES, 0, 0};


TEST(TimerRefused, RaisesKeepsTheNewValueAndStaysSilentUntilAChange) {
  FiringLog log;
  TTimer t(nullptr);
  t.SetEnabled(false);
  t.SetInterval(40);
  t.SetOnTimer(log.Recorder('T'));

  const unsigned calls = CallCount("SetTimer");
  FailCall(NoTimerLeft);
  try {
    t.SetEnabled(true);
    FAIL() << "no error raised";
  } catch (const EOutOfResources& e) {
    EXPECT_EQ(e.Message(), "Not enough timers available");
  }
  EXPECT_EQ(CallCount("SetTimer") - calls, 1u);
  EXPECT_TRUE(t.Enabled());
  EXPECT_EQ(t.Interval(), 40u);

  ClearCallFailures();
  // Values that are already set change nothing, so the timer stays broken.
  t.SetEnabled(true);
  t.SetInterval(40);
  PumpFor(250);
  EXPECT_EQ(log.Count('T'), 0);
  EXPECT_FALSE(KillPlatformTimer(t));

  t.SetInterval(30);
  EXPECT_TRUE(PumpUntil([&] { return log.Count('T') >= 2; }));
}

TEST(TimerRefused, EverySetterThatStartsTheTimerRaises) {
  struct Case {
    const char* Name;
    std::function<void(TTimer&, const TNotifyEvent&)> Apply;
    bool Enabled;
    unsigned Interval;
  };
  const Case cases[] = {
      {"SetEnabled", [](TTimer& t, const TNotifyEvent&) { t.SetEnabled(true); }, true, 40},
      {"SetInterval", [](TTimer& t, const TNotifyEvent&) { t.SetInterval(55); }, false, 55},
      {"SetOnTimer", [](TTimer& t, const TNotifyEvent& h) { t.SetOnTimer(h); }, false, 40},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    FiringLog log;
    TTimer t(nullptr);
    t.SetEnabled(false);
    t.SetInterval(40);
    t.SetOnTimer(log.Recorder('T'));
    // SetInterval and SetOnTimer start the timer only when it is enabled.
    if (std::string(c.Name) != "SetEnabled") t.SetEnabled(true);
    FailCall(NoTimerLeft);
    EXPECT_THROW(c.Apply(t, log.Recorder('T')), EOutOfResources);
    ClearCallFailures();
    EXPECT_TRUE(t.Enabled());
    EXPECT_EQ(t.Interval(), c.Interval);
    EXPECT_FALSE(KillPlatformTimer(t));
  }
}

// ------------------------------------------------ a failing handler

struct ShownBox {
  std::string Text, Caption;
  UINT Flags;
};

TEST(TimerHandlerError, ReportedOncePerFiringAndTheTimerKeepsFiring) {
  std::vector<ShownBox> boxes;
  SetMessageBoxHook([&](const std::string& text, const std::string& caption, UINT flags) {
    boxes.push_back({text, caption, flags});
    return IDOK;
  });
  Application->Title = "Timer Test";
  int firings = 0;
  TTimer t(nullptr);
  t.SetInterval(20);
  t.SetOnTimer([&](TObject*) {
    ++firings;
    throw Exception("Handler failed");
  });
  const bool fired = PumpUntil([&] { return firings >= 4; });
  t.SetEnabled(false);
  SetMessageBoxHook(nullptr);

  ASSERT_TRUE(fired);
  ASSERT_EQ(boxes.size(), static_cast<size_t>(firings));
  for (const ShownBox& box : boxes) {
    EXPECT_EQ(box.Text, "Handler failed.");
    EXPECT_EQ(box.Caption, "Timer Test");
    EXPECT_EQ(box.Flags, static_cast<UINT>(MB_OK | MB_ICONSTOP));
  }
}

// ------------------------------------------------ the timer's own window

TEST(TimerWindow, EachTimersMessagesReachThatTimerAlone) {
  FiringLog log;
  TTimer a(nullptr);
  TTimer b(nullptr);
  a.SetEnabled(false);
  b.SetEnabled(false);
  a.SetOnTimer(log.Recorder('A'));
  b.SetOnTimer(log.Recorder('B'));
  ASSERT_NE(a.UtilWindow(), b.UtilWindow());

  // Whatever identifier the message carries.
  SendMessageA(a.UtilWindow(), WM_TIMER, 1, 0);
  SendMessageA(a.UtilWindow(), WM_TIMER, 7, 0);
  SendMessageA(b.UtilWindow(), WM_TIMER, 1, 0);
  EXPECT_EQ(std::string(log.Order.begin(), log.Order.end()), "AAB");

  // Real platform timers: a fast one beside one that never comes.
  log.Order.clear();
  b.SetInterval(100000);
  b.SetEnabled(true);
  a.SetInterval(20);
  a.SetEnabled(true);
  ASSERT_TRUE(PumpUntil([&] { return log.Count('A') >= 3; }));
  EXPECT_EQ(log.Count('B'), 0);
}

TEST(TimerWindow, HiddenWindowOfItsOwnGoneWithTheTimer) {
  HWND window;
  {
    TTimer t(nullptr);
    window = t.UtilWindow();
    ASSERT_TRUE(IsWindow(window));
    char name[64] = {};
    GetClassNameA(window, name, sizeof(name));
    EXPECT_STREQ(name, "TPUtilWindow");
    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_EQ(GetParent(window), nullptr);
    EXPECT_EQ(GetWindowTextLengthA(window), 0);
    t.SetInterval(10);
    t.SetOnTimer([](TObject*) {});
    PumpFor(50);
  }
  EXPECT_FALSE(IsWindow(window));
  PumpFor(50);  // nothing may arrive for the destroyed timer
}

TEST(TimerWindow, OwnerDestroysItsTimers) {
  auto owner = std::make_unique<TComponent>(nullptr);
  auto* t = new TTimer(owner.get());
  HWND window = t->UtilWindow();
  t->SetInterval(10);
  t->SetOnTimer([](TObject*) {});
  owner.reset();
  EXPECT_FALSE(IsWindow(window));
}

int ForeignMessages = 0;
LRESULT CALLBACK ForeignProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  ++ForeignMessages;
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

TEST(TimerWindow, ClassReRegisteredWhenAnotherProcedureHoldsTheName) {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  // No utility window exists between tests, so the class can be replaced.
  UnregisterClassA("TPUtilWindow", instance);
  WNDCLASSA foreign{};
  foreign.lpfnWndProc = &ForeignProc;
  foreign.hInstance = instance;
  foreign.lpszClassName = "TPUtilWindow";
  ASSERT_NE(RegisterClassA(&foreign), 0);

  ForeignMessages = 0;
  FiringLog log;
  {
    TTimer t(nullptr);
    TTimer second(nullptr);  // finds the class as the first one left it
    WNDCLASSA now{};
    ASSERT_TRUE(GetClassInfoA(instance, "TPUtilWindow", &now));
    EXPECT_NE(now.lpfnWndProc, &ForeignProc);
    EXPECT_EQ(now.style, 0u);
    EXPECT_EQ(now.hCursor, nullptr);
    EXPECT_EQ(now.hbrBackground, nullptr);
    EXPECT_EQ(now.cbWndExtra, 0);
    t.SetInterval(20);
    t.SetOnTimer(log.Recorder('T'));
    EXPECT_TRUE(PumpUntil([&] { return log.Count('T') >= 1; }));
  }
  EXPECT_EQ(ForeignMessages, 0);
}

}  // namespace
