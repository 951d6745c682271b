#include "support/SerialPeer.h"

#include <cstdio>
#include <cstdlib>

#include "support/Pump.h"

HANDLE OpenComPort(int n) {
  char name[32];
  std::snprintf(name, sizeof name, "\\\\.\\COM%d", n);
  return CreateFileA(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
}

SerialPeer::SerialPeer(int pair) : handle_(OpenComPort(pair + 8)) {
  if (handle_ == INVALID_HANDLE_VALUE) return;
  // Reads return at once with what has arrived.
  COMMTIMEOUTS timeouts{};
  timeouts.ReadIntervalTimeout = MAXDWORD;
  SetCommTimeouts(handle_, &timeouts);
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  if (GetCommState(handle_, &dcb) && BuildCommDCBA("9600,N,8,1", &dcb)) SetCommState(handle_, &dcb);
  PurgeComm(handle_, PURGE_RXCLEAR | PURGE_TXCLEAR);
}

SerialPeer::~SerialPeer() { Close(); }

void SerialPeer::Close() {
  if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  handle_ = INVALID_HANDLE_VALUE;
}

bool SerialPeer::Write(const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    DWORD written = 0;
    if (!WriteFile(handle_, bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &written,
                   nullptr)) {
      return false;
    }
    done += written;
  }
  return true;
}

void SerialPeer::Drain(std::string& pending) {
  if (handle_ == INVALID_HANDLE_VALUE) return;
  for (;;) {
    char chunk[512];
    DWORD got = 0;
    if (!ReadFile(handle_, chunk, sizeof chunk, &got, nullptr) || got == 0) return;
    pending.append(chunk, got);
  }
}

std::string SerialPeer::TakeAfter(DWORD ms) {
  PumpFor(ms);
  return Take();
}

namespace {

// A file in the wrapper's control folder, as a Windows path.
std::string ControlFile(const std::string& name) {
  const char* ports = std::getenv("ORVANT_PORTS");
  std::string path = std::string("Z:") + (ports ? ports : "/nonexistent") + "/ctl/" + name;
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
}

bool AskWrapper(const std::string& request) {
  const std::string path = ControlFile(request);
  const HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    std::fprintf(stderr, "could not ask for %s (error %lu): is scripts/wine-exec-serial running this?\n",
                 path.c_str(), GetLastError());
    return false;
  }
  CloseHandle(file);
  // The wrapper removes the file once it has done what was asked.
  if (!PumpUntil([&] { return GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES; },
                 20000)) {
    std::fprintf(stderr, "the wrapper did not take %s in 20 s\n", path.c_str());
    return false;
  }
  return true;
}

}  // namespace

bool KillPair(int n) { return AskWrapper("kill-" + std::to_string(n)); }
bool RevivePair(int n) { return AskWrapper("revive-" + std::to_string(n)); }

bool CountWineDescriptors(WineDescriptors& counts) {
  counts = WineDescriptors{};
  const std::string answer = ControlFile("fds");
  DeleteFileA(answer.c_str());
  if (!AskWrapper("count-fds")) return false;
  char text[100] = {};
  if (FILE* file = std::fopen(answer.c_str(), "r")) {
    text[std::fread(text, 1, sizeof text - 1, file)] = 0;
    std::fclose(file);
  }
  DeleteFileA(answer.c_str());
  if (std::sscanf(text, "%d %d", &counts.Program, &counts.ServerOnLines) == 2 &&
      counts.Program > 0 && counts.ServerOnLines >= 0) {
    return true;
  }
  std::fprintf(stderr, "the wrapper counted \"%s\" in %s\n", text, answer.c_str());
  return false;
}
