#include "support/ReceivedBytes.h"

#include "support/Pump.h"

std::string ReceivedBytes::Take() {
  Drain(pending_);
  std::string taken;
  taken.swap(pending_);
  return taken;
}

std::string ReceivedBytes::TakeAtLeast(size_t count, DWORD timeoutMs) {
  PumpUntil(
      [&] {
        Drain(pending_);
        return pending_.size() >= count;
      },
      timeoutMs);
  return Take();
}
