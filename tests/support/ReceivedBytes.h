// What the test's end of a line has received and not yet taken: the part the
// pipe-backed port and the serial peer share. A reader says how to drain its
// end (everything waiting, never waiting for more); the taking is the same
// for all.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>

class ReceivedBytes {
public:
  // Everything received so far and not yet taken; never waits.
  std::string Take();
  // Pumps messages until at least count bytes were received since the last
  // take, then takes them all. Returns what it has after the deadline.
  std::string TakeAtLeast(size_t count, DWORD timeoutMs = 10000);

protected:
  ReceivedBytes() = default;
  ~ReceivedBytes() = default;

  // Appends to `pending` whatever has arrived at this end, without waiting.
  virtual void Drain(std::string& pending) = 0;

private:
  std::string pending_;
};
