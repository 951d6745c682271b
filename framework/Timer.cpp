#include "framework/Timer.h"

#include "framework/Application.h"
#include "framework/Platform.h"
#include "framework/SysUtils.h"
#include "framework/UtilWindow.h"

namespace {

// The platform timer of a TTimer is always this one on its own window.
const UINT_PTR TimerId = 1;

}  // namespace

// The fields are set directly: no handler exists yet, so nothing would start.
TTimer::TTimer(TComponent* owner) : TComponent(owner), enabled_(true), interval_(1000) {
  utilWindow_ = AllocateUtilWindow(
      [this](HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) { return WndProc(hwnd, msg, wParam, lParam); });
}

TTimer::~TTimer() {
  enabled_ = false;
  ResetPlatformTimer();  // only kills: a disabled timer starts nothing, so this cannot raise
  DeallocateUtilWindow(utilWindow_);
}

void TTimer::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  ResetPlatformTimer();
}

void TTimer::SetInterval(unsigned interval) {
  if (interval == interval_) return;
  interval_ = interval;
  ResetPlatformTimer();
}

void TTimer::SetOnTimer(TNotifyEvent handler) {
  onTimer_ = std::move(handler);
  ResetPlatformTimer();
}

// The handler runs from a copy: it may assign a new OnTimer while it runs.
void TTimer::Fire() {
  if (!onTimer_) return;
  TNotifyEvent handler = onTimer_;
  handler(this);
}

// A new platform timer's first period counts from the SetTimer call, which is
// what makes every change restart the countdown from the full interval.
void TTimer::ResetPlatformTimer() {
  // Its failure is ignored on purpose: on the timer's own window it fails
  // only when no platform timer runs, which is the case whenever the timer
  // was stopped already.
  Platform.KillTimer(utilWindow_, TimerId);
  if (interval_ != 0 && enabled_ && onTimer_) {
    if (Platform.SetTimer(utilWindow_, TimerId, interval_, nullptr) == 0) {
      throw EOutOfResources("Not enough timers available");
    }
  }
}

// The identifier a WM_TIMER carries is not examined: the window holds no
// other timer.
LRESULT TTimer::WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_TIMER) {
    try {
      Fire();
    } catch (...) {
      // Reported like any handler's error; the platform timer keeps running.
      Application->HandleException(this);
    }
    return 0;
  }
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}
