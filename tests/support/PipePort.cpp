#include "support/PipePort.h"

#include <cstdio>

#include "link/SerialPort.h"
#include "support/Pump.h"

PipePort::PipePort() {
  // A large buffer: the program's synchronous writes never wait for the test.
  CreatePipe(&read_, &write_, nullptr, 1 << 20);
  PortHandle = write_;
}

PipePort::~PipePort() {
  PortHandle = INVALID_HANDLE_VALUE;
  CloseHandle(write_);
  CloseHandle(read_);
}

void PipePort::Drain() {
  DWORD available = 0;
  while (PeekNamedPipe(read_, nullptr, 0, nullptr, &available, nullptr) && available > 0) {
    std::string chunk(available, '\0');
    DWORD got = 0;
    if (!ReadFile(read_, &chunk[0], available, &got, nullptr)) break;
    pending_.append(chunk, 0, got);
  }
}

std::string PipePort::Take() {
  Drain();
  std::string taken;
  taken.swap(pending_);
  return taken;
}

std::string PipePort::TakeAtLeast(size_t count, DWORD timeoutMs) {
  PumpUntil(
      [&] {
        Drain();
        return pending_.size() >= count;
      },
      timeoutMs);
  return Take();
}

std::string Hex(const std::string& bytes) {
  std::string out;
  char byte[4];
  for (unsigned char c : bytes) {
    std::snprintf(byte, sizeof(byte), out.empty() ? "%02X" : " %02X", c);
    out += byte;
  }
  return out;
}
