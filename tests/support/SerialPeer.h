// The far end of a serial line, for tests run by scripts/wine-exec-serial:
// COMn (n = 1..8) is the program's side of pair n and COM(n+8) the peer's,
// which the test opens here and reads and writes itself. The wrapper can
// also take a pair down (both ports absent, the program's open handle dead)
// and bring it back on fresh pseudo-terminals.
#pragma once

#include <windows.h>

#include <string>

#include "support/ReceivedBytes.h"

class SerialPeer : public ReceivedBytes {
public:
  // Opens the peer side of pair n (COM(n+8)); check IsOpen().
  explicit SerialPeer(int pair);
  ~SerialPeer();
  SerialPeer(const SerialPeer&) = delete;
  SerialPeer& operator=(const SerialPeer&) = delete;

  bool IsOpen() const { return handle_ != INVALID_HANDLE_VALUE; }
  HANDLE Handle() const { return handle_; }
  void Close();

  // Writes all bytes; true when the write succeeded.
  bool Write(const std::string& bytes);
  // Take() and TakeAtLeast() give what the program sent.
  // Pumps messages for a while and takes whatever arrived.
  std::string TakeAfter(DWORD ms);

private:
  void Drain(std::string& pending) override;

  HANDLE handle_ = INVALID_HANDLE_VALUE;
};

// Opens "\\.\COMn" as the program would (exclusive, non-overlapped), or
// INVALID_HANDLE_VALUE.
HANDLE OpenComPort(int n);

// Asks the wrapper to take pair n down or bring it back, and waits (pumping
// messages) until it has. False when the wrapper did not answer in time;
// every false here also says why on stderr.
bool KillPair(int n);
bool RevivePair(int n);

// What Wine holds open for this program, counted by the wrapper from the
// Linux side: the program's descriptors, and its wineserver's descriptors on
// the serial lines (one for every port handle open in the prefix). Every
// port handle left open raises both. False when the wrapper did not answer
// or counted nothing (its answer is on stderr).
struct WineDescriptors {
  int Program = -1;
  int ServerOnLines = -1;
};
bool CountWineDescriptors(WineDescriptors& counts);
