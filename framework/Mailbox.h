// The mailbox of the window's thread: the one way another thread gets work
// done on the thread that runs the message loop (the main thread).
//
// - Any thread posts a unit of work; it runs on the main thread, in the order
//   posted, from the message loop or from any modal loop that dispatches
//   messages (a message box). Posting never waits for the main thread.
// - The work waits in a queue the mailbox owns. At most one wake-up message
//   is in the main thread's message queue at a time, so a main thread that
//   merely lags behind never fills the platform's per-thread message quota
//   (10,000 on Windows) and no work is lost to it. Should the platform
//   refuse the wake-up all the same, the work stays queued and the next post
//   tries again.
// - Work still queued when the mailbox closes is freed without being run, and
//   so is work posted while it is closed.
// - One message-only window receives the wake-ups; OpenMailbox and
//   CloseMailbox make and destroy it, on the main thread.
#pragma once

#include <windows.h>

#include <functional>

using TMailWork = std::function<void()>;

// Main thread. Opens the mailbox; does nothing when it is open already.
void OpenMailbox();
// Main thread. Drops what is still queued and closes the mailbox.
void CloseMailbox();

// Any thread. Queues the work for the main thread; false when the mailbox is
// closed (the work is then dropped). An exception the work raises is shown
// by the application's exception box, and the next work still runs.
bool PostToMainThread(TMailWork work);

// Any thread. Asks the platform again for a wake-up when work is queued and
// no wake-up is on its way (the last was refused); does nothing otherwise.
// For a poster that adds to work it has queued already instead of posting
// more: the retry a new post would have made.
void WakeMailbox();

// The mailbox's window, or null while it is closed.
HWND MailboxWindow();
