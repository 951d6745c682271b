// Failures of the program's platform calls on demand, by the call's name.
//
// Every test program starts with each entry of the program's call table
// (framework/Platform.h) replaced by a stand-in that makes the real call
// unless a failure is armed for it. Armed, the stand-in returns what the call
// returns on failure and leaves the chosen error for GetLastError. The
// stand-ins are put in once, before any test runs, so arming a failure never
// writes the table while another thread calls through it.
#pragma once

#include <windows.h>

#include <string>
#include <type_traits>
#include <vector>

#include "framework/Platform.h"

struct TCallFailure {
  std::string Call;     // the call's name, as in the table: "ReadFile"
  DWORD Error = 0;      // what GetLastError then says
  unsigned After = 0;   // calls that still go through before the first failure
  unsigned Times = 1;   // failures in a row; 0: every call from then on
  bool Done = false;    // the call is made, then reported failed (a read that took bytes)
  DWORD Count = 0;      // WriteFile: the byte count the failed write reports (0: none set)
};

// Puts the stand-ins in. TestMain calls it once.
void InstallPlatformFaults();

// Arms a failure (one per call; a second one for the same call replaces it).
// An unknown name fails the running test.
void FailCall(const TCallFailure& failure);

// Disarms every failure.
void ClearCallFailures();

// How often the call was made through the table (failed or not) since the
// program started.
unsigned CallCount(const std::string& call);

// Failures armed for the call that have not happened yet (0 for "every call").
unsigned FailuresLeft(const std::string& call);

// Handles the program made through the table (ports, events, threads and
// their duplicates) and has not closed since: a leak shows here under Wine
// too, where the process's handle count reads 0.
size_t OpenHandles();

// Every call in the table, by name, in the table's order.
const std::vector<std::string>& PlatformCallNames();

// Disarms every failure when it goes out of scope.
struct TCallFailures {
  TCallFailures() = default;
  explicit TCallFailures(const TCallFailure& failure) { FailCall(failure); }
  ~TCallFailures() { ClearCallFailures(); }
  TCallFailures(const TCallFailures&) = delete;
  TCallFailures& operator=(const TCallFailures&) = delete;
};

// Puts a call of the test's own into one entry of the table for as long as it
// lives, then the stand-in again: for a test that plays a driver in more
// detail than a failure (a port that takes other time-outs than asked), or
// watches the arguments. Made and ended while no other thread makes that call.
template <auto Entry>
class TCallSubstitute {
public:
  using TCall = std::remove_reference_t<decltype(Platform.*Entry)>;
  explicit TCallSubstitute(TCall call) : saved_(Platform.*Entry) { Platform.*Entry = call; }
  ~TCallSubstitute() { Platform.*Entry = saved_; }
  TCallSubstitute(const TCallSubstitute&) = delete;
  TCallSubstitute& operator=(const TCallSubstitute&) = delete;

private:
  TCall saved_;
};
