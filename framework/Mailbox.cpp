#include "framework/Mailbox.h"

#include <deque>
#include <mutex>

#include "framework/Application.h"
#include "framework/Platform.h"
#include "framework/UtilWindow.h"

namespace {

const UINT WakeMessage = WM_APP + 0x100;

// Everything below is guarded by Lock. The main thread holds it only to take
// one unit of work out or to open and close; no work ever runs under it, so
// a poster waits at most for a few instructions.
std::mutex Lock;
std::deque<TMailWork> Queue;
HWND Window = nullptr;
// A wake-up is in the main thread's message queue and not yet handled.
bool WakePending = false;

// Lock held. Posts a wake-up unless one is on its way already.
void WakeLocked() {
  if (WakePending || Window == nullptr) return;
  WakePending = Platform.PostMessageA(Window, WakeMessage, 0, 0) != FALSE;
}

// Runs the work that was queued when the wake-up was handled, one unit at a
// time, each taken from the front of the shared queue. While units remain, a
// wake-up stays posted: a unit that runs a modal loop (a message box) has
// the later units run inside that loop, and the order still holds. Work
// posted meanwhile waits for that wake-up, so the message loop sees its
// other messages (input, painting) between two batches.
void RunQueued() {
  size_t budget;
  {
    std::lock_guard<std::mutex> guard(Lock);
    WakePending = false;
    budget = Queue.size();
  }
  for (; budget > 0; --budget) {
    TMailWork work;
    {
      std::lock_guard<std::mutex> guard(Lock);
      if (Queue.empty()) return;  // a nested loop ran the rest
      work = std::move(Queue.front());
      Queue.pop_front();
      if (!Queue.empty()) WakeLocked();
    }
    try {
      work();
    } catch (...) {
      Application->HandleException(nullptr);
    }
  }
}

LRESULT MailboxProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WakeMessage) {
    RunQueued();
    return 0;
  }
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

}  // namespace

void OpenMailbox() {
  {
    std::lock_guard<std::mutex> guard(Lock);
    if (Window != nullptr) return;
  }
  const HWND window = AllocateUtilWindow(&MailboxProc, "TMailboxWindow", HWND_MESSAGE);
  std::lock_guard<std::mutex> guard(Lock);
  Window = window;
  WakePending = false;
}

void CloseMailbox() {
  std::deque<TMailWork> dropped;
  HWND window;
  {
    std::lock_guard<std::mutex> guard(Lock);
    window = Window;
    Window = nullptr;
    dropped.swap(Queue);
  }
  // Freed here, outside the lock: the work may own anything.
  dropped.clear();
  // A wake-up still queued goes with the window.
  DeallocateUtilWindow(window);
}

bool PostToMainThread(TMailWork work) {
  {
    std::lock_guard<std::mutex> guard(Lock);
    if (Window != nullptr) {
      Queue.push_back(std::move(work));
      WakeLocked();
      return true;
    }
  }
  return false;  // `work` is freed on the way out, outside the lock
}

void WakeMailbox() {
  std::lock_guard<std::mutex> guard(Lock);
  if (!Queue.empty()) WakeLocked();
}

HWND MailboxWindow() {
  std::lock_guard<std::mutex> guard(Lock);
  return Window;
}
