// TTimer: calls OnTimer on the window's thread every Interval milliseconds
// while Enabled. It rests on one platform window timer, identifier 1, on a
// hidden utility window of the timer's own, so its messages come through the
// ordinary message loop and reach this timer alone.
// A timer belongs to the thread that made it; its setters are called there
// and its handler runs there.
#pragma once

#include <windows.h>

#include "framework/Classes.h"

class TTimer : public TComponent {
public:
  explicit TTimer(TComponent* owner);
  ~TTimer() override;

  bool Enabled() const { return enabled_; }
  unsigned Interval() const { return interval_; }
  const TNotifyEvent& OnTimer() const { return onTimer_; }

  // A value equal to the current one changes nothing: a running countdown
  // goes on undisturbed. A new value restarts the countdown from the full
  // interval. Raises EOutOfResources when the platform has no timer left;
  // the new value is kept and the timer stays silent until the next change.
  void SetEnabled(bool enabled);
  void SetInterval(unsigned interval);
  // Always restarts the countdown, even for the same handler.
  void SetOnTimer(TNotifyEvent handler);

  HWND UtilWindow() const { return utilWindow_; }

protected:
  // One firing: calls the handler, if any, with this timer as the sender.
  virtual void Fire();

private:
  void ResetPlatformTimer();
  LRESULT WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

  bool enabled_;
  unsigned interval_;
  HWND utilWindow_ = nullptr;
  TNotifyEvent onTimer_;
};
