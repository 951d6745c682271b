// A stand-in port for tests that check bytes on the wire without a serial
// device: while it lives, PortHandle is the write end of an anonymous pipe,
// and the test reads what the program wrote from the other end.
#pragma once

#include <windows.h>

#include <string>

#include "support/ReceivedBytes.h"

class PipePort : public ReceivedBytes {
public:
  PipePort();
  ~PipePort();
  PipePort(const PipePort&) = delete;
  PipePort& operator=(const PipePort&) = delete;

  // False when the pipe could not be made (PortHandle is null then).
  bool IsOpen() const { return write_ != nullptr; }
  // Take() and TakeAtLeast() give what the program wrote.

private:
  void Drain(std::string& pending) override;

  HANDLE read_ = nullptr;
  HANDLE write_ = nullptr;
};

// The bytes of a string as "31 20 0D 0A", for readable comparisons.
std::string Hex(const std::string& bytes);
