// The simulator's record of the line: every byte received and sent, with
// the time it was read or written (CLOCK_MONOTONIC, milliseconds), so tests
// and benchmarks can compare it with their own clocks.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

class TrafficLog {
 public:
  TrafficLog() = default;
  TrafficLog(const TrafficLog&) = delete;
  TrafficLog& operator=(const TrafficLog&) = delete;
  ~TrafficLog();

  bool Open(const std::string& path);  // appends; no path: log nothing

  // direction is "RX" (from the program) or "TX" (to the program). One entry
  // per read or write, in rows of 16 bytes: hex, then the printable form.
  void Bytes(const char* direction, const char* data, std::size_t count);

  // Events of the simulator itself: link made, vanished, control commands.
  void Event(const std::string& text);

 private:
  std::FILE* file_ = nullptr;
};

double MonotonicMs();
