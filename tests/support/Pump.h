// Message pumping for tests that drive real windows: wait for a condition
// while dispatching the calling thread's messages, with a generous deadline
// instead of fixed sleeps.
#pragma once

#include <windows.h>

#include <functional>

// Dispatches messages until cond() holds or timeoutMs passes; returns cond().
bool PumpUntil(const std::function<bool()>& cond, DWORD timeoutMs = 10000);

// Dispatches messages for the given time.
void PumpFor(DWORD ms);
