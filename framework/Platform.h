// The platform calls of the program that can fail, in one table.
//
// Every Win32 call whose failure the program must survive (the serial port,
// events, threads, window timers, posted messages, windows, menus, drawing
// objects) is made through `Platform`, a table with one entry per call, named
// after the call and typed exactly as the call: `Platform.ReadFile(...)` is
// ::ReadFile. A test program replaces entries by name to make any call fail
// with a chosen error (tests/support/PlatformFaults.h), so every failure path
// can be reached through this one table. The shipped program never changes
// an entry: it pays one indirect call.
//
// docs/failures.md lists every place these calls are made, what the platform
// documents they return on failure, and what the program does then.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <process.h>

// X(call, what the call returns when it fails). The second column is what a
// failure looks like to the caller; GetLastError tells why.
#define ORVANT_PLATFORM_CALLS(X)                               \
  /* the serial port */                                        \
  X(CreateFileA, INVALID_HANDLE_VALUE)                         \
  X(GetCommState, FALSE)                                       \
  X(BuildCommDCBA, FALSE)                                      \
  X(SetCommState, FALSE)                                       \
  X(GetCommTimeouts, FALSE)                                    \
  X(SetCommTimeouts, FALSE)                                    \
  X(ClearCommError, FALSE)                                     \
  X(ReadFile, FALSE)                                           \
  X(WriteFile, FALSE)                                          \
  X(PurgeComm, FALSE)                                          \
  X(CloseHandle, FALSE)                                        \
  /* events and threads */                                     \
  X(CreateEventA, nullptr)                                     \
  X(SetEvent, FALSE)                                           \
  X(WaitForMultipleObjects, WAIT_FAILED)                       \
  X(_beginthreadex, 0)                                         \
  X(ResumeThread, static_cast<DWORD>(-1))                      \
  X(WaitForSingleObject, WAIT_FAILED)                          \
  X(MsgWaitForMultipleObjects, WAIT_FAILED)                    \
  X(GetExitCodeThread, FALSE)                                  \
  /* messages, timers, windows */                              \
  X(PostMessageA, FALSE)                                       \
  X(SetTimer, 0)                                               \
  X(KillTimer, FALSE)                                          \
  X(InitCommonControlsEx, FALSE)                               \
  X(RegisterClassA, 0)                                         \
  X(CreateWindowExA, nullptr)                                  \
  X(SetWindowSubclass, FALSE)                                  \
  X(MessageBoxA, 0)                                            \
  /* menus */                                                  \
  X(CreateMenu, nullptr)                                       \
  X(CreatePopupMenu, nullptr)                                  \
  X(InsertMenuItemA, FALSE)                                    \
  X(SetMenuItemInfoA, FALSE)                                   \
  X(SetMenu, FALSE)                                            \
  /* pictures and drawing */                                   \
  X(LoadImageA, nullptr)                                       \
  X(CreateCompatibleDC, nullptr)                               \
  X(CreateCompatibleBitmap, nullptr)                           \
  X(CreateSolidBrush, nullptr)                                 \
  X(CreatePen, nullptr)                                        \
  X(CreateFontA, nullptr)

struct TPlatformCalls {
#define ORVANT_PLATFORM_ENTRY(call, failed) decltype(&::call) call = &::call;
  ORVANT_PLATFORM_CALLS(ORVANT_PLATFORM_ENTRY)
#undef ORVANT_PLATFORM_ENTRY
};

// What the program calls. Filled with the system's own calls before any code
// of the program runs; a test program may replace entries, before it starts
// any thread that makes the call.
extern TPlatformCalls Platform;
