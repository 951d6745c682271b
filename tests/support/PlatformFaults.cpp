#include "support/PlatformFaults.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <mutex>
#include <set>
#include <tuple>

#include "framework/Platform.h"

namespace {

enum TCallIndex : size_t {
#define ORVANT_CALL_INDEX(call, failed) Index_##call,
  ORVANT_PLATFORM_CALLS(ORVANT_CALL_INDEX)
#undef ORVANT_CALL_INDEX
  CallTotal
};

struct TPlan {
  bool Armed = false;
  TCallFailure Failure;
};

// Guards the plans and counts: calls come from every thread of the program.
std::mutex Lock;
TPlan Plans[CallTotal];
unsigned Counts[CallTotal] = {};

// The handles the program made through the table and has not closed yet:
// events, threads and ports. Guarded by Lock.
std::multiset<HANDLE> OpenLedger;

void Made(HANDLE handle) {
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return;
  std::lock_guard<std::mutex> guard(Lock);
  OpenLedger.insert(handle);
}

void Closed(HANDLE handle) {
  std::lock_guard<std::mutex> guard(Lock);
  const auto at = OpenLedger.find(handle);
  if (at != OpenLedger.end()) OpenLedger.erase(at);
}

// What a call that went through does to the ledger; most do nothing.
template <size_t Index>
struct TLedger {
  template <class R, class... A>
  static void Note(R, A...) {}
};
template <>
struct TLedger<Index_CreateFileA> {
  template <class... A>
  static void Note(HANDLE made, A...) { Made(made); }
};
template <>
struct TLedger<Index_CreateEventA> {
  template <class... A>
  static void Note(HANDLE made, A...) { Made(made); }
};
template <>
struct TLedger<Index__beginthreadex> {
  template <class... A>
  static void Note(uintptr_t made, A...) { Made(reinterpret_cast<HANDLE>(made)); }
};
template <>
struct TLedger<Index_CloseHandle> {
  static void Note(BOOL, HANDLE closed) { Closed(closed); }
};

// Counts the call and says whether it fails, and how.
bool TakeFailure(size_t index, TCallFailure& failure) {
  std::lock_guard<std::mutex> guard(Lock);
  ++Counts[index];
  TPlan& plan = Plans[index];
  if (!plan.Armed) return false;
  if (plan.Failure.After > 0) {
    --plan.Failure.After;
    return false;
  }
  failure = plan.Failure;
  if (plan.Failure.Times > 0 && --plan.Failure.Times == 0) plan.Armed = false;
  return true;
}

// The stand-in of one entry, E, whose call has the shape F.
template <class E, class F>
struct TStandIn;

template <class E, class R, class... A>
struct TStandIn<E, R(WINAPI*)(A...)> {
  static R WINAPI Call(A... args) {
    TCallFailure failure;
    if (!TakeFailure(E::Index, failure)) {
      const R result = E::Real()(args...);
      const DWORD error = GetLastError();
      TLedger<E::Index>::Note(result, args...);
      SetLastError(error);
      return result;
    }
    if (failure.Done) TLedger<E::Index>::Note(E::Real()(args...), args...);
    // The byte count a failed write reports, its fourth argument.
    if constexpr (E::Index == Index_WriteFile) {
      if (failure.Count != 0) *std::get<3>(std::tie(args...)) = failure.Count;
    }
    SetLastError(failure.Error);
    return static_cast<R>(E::Failed());
  }
};

#ifndef _WIN64
// The run-time's own calls (_beginthreadex) follow the C convention.
template <class E, class R, class... A>
struct TStandIn<E, R(__cdecl*)(A...)> {
  static R Call(A... args) {
    TCallFailure failure;
    if (!TakeFailure(E::Index, failure)) {
      const R result = E::Real()(args...);
      TLedger<E::Index>::Note(result, args...);
      return result;
    }
    SetLastError(failure.Error);
    return static_cast<R>(E::Failed());
  }
};
#endif

#define ORVANT_CALL_ENTRY(call, failed)                      \
  struct Entry_##call {                                      \
    static constexpr size_t Index = Index_##call;            \
    static decltype(&::call) Real() { return &::call; }      \
    static auto Failed() { return failed; }                  \
  };
ORVANT_PLATFORM_CALLS(ORVANT_CALL_ENTRY)
#undef ORVANT_CALL_ENTRY

size_t IndexOf(const std::string& call) {
  const std::vector<std::string>& names = PlatformCallNames();
  const auto at = std::find(names.begin(), names.end(), call);
  if (at == names.end()) ADD_FAILURE() << "no platform call named " << call << " in the table";
  return static_cast<size_t>(at - names.begin());
}

}  // namespace

void InstallPlatformFaults() {
#define ORVANT_CALL_STAND_IN(call, failed) \
  Platform.call = &TStandIn<Entry_##call, decltype(&::call)>::Call;
  ORVANT_PLATFORM_CALLS(ORVANT_CALL_STAND_IN)
#undef ORVANT_CALL_STAND_IN
}

void FailCall(const TCallFailure& failure) {
  const size_t index = IndexOf(failure.Call);
  if (index == CallTotal) return;
  std::lock_guard<std::mutex> guard(Lock);
  Plans[index] = {true, failure};
}

void ClearCallFailures() {
  std::lock_guard<std::mutex> guard(Lock);
  for (TPlan& plan : Plans) plan.Armed = false;
}

unsigned CallCount(const std::string& call) {
  const size_t index = IndexOf(call);
  std::lock_guard<std::mutex> guard(Lock);
  return index == CallTotal ? 0 : Counts[index];
}

unsigned FailuresLeft(const std::string& call) {
  const size_t index = IndexOf(call);
  std::lock_guard<std::mutex> guard(Lock);
  if (index == CallTotal || !Plans[index].Armed) return 0;
  return Plans[index].Failure.Times;
}

const std::vector<std::string>& PlatformCallNames() {
  static const std::vector<std::string> names = {
#define ORVANT_CALL_NAME(call, failed) #call,
      ORVANT_PLATFORM_CALLS(ORVANT_CALL_NAME)
#undef ORVANT_CALL_NAME
  };
  return names;
}

size_t OpenHandles() {
  std::lock_guard<std::mutex> guard(Lock);
  return OpenLedger.size();
}
