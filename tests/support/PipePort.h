// A stand-in port for tests that check bytes on the wire without a serial
// device: while it lives, PortHandle is the write end of an anonymous pipe,
// and the test reads what the program wrote from the other end.
#pragma once

#include <windows.h>

#include <string>

class PipePort {
public:
  PipePort();
  ~PipePort();
  PipePort(const PipePort&) = delete;
  PipePort& operator=(const PipePort&) = delete;

  // Everything written so far and not yet taken.
  std::string Take();
  // Waits (pumping messages) until at least `count` bytes were written in
  // all since the last Take, then takes them all.
  std::string TakeAtLeast(size_t count, DWORD timeoutMs = 10000);

private:
  void Drain();

  HANDLE read_ = nullptr;
  HANDLE write_ = nullptr;
  std::string pending_;
};

// The bytes of a string as "31 20 0D 0A", for readable comparisons.
std::string Hex(const std::string& bytes);
