#include "support/PipePort.h"

#include <cstdio>

#include "link/SerialPort.h"

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

void PipePort::Drain(std::string& pending) {
  DWORD available = 0;
  while (PeekNamedPipe(read_, nullptr, 0, nullptr, &available, nullptr) && available > 0) {
    std::string chunk(available, '\0');
    DWORD got = 0;
    if (!ReadFile(read_, &chunk[0], available, &got, nullptr)) break;
    pending.append(chunk, 0, got);
  }
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
