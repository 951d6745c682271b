// Cutting the processor's output into lines, apart from Win32 so it can be
// tested and fuzzed anywhere.
//
// The receiver thread owns the one global instance, RxBuffer, while it runs:
// it asks how much it may read (ReceiveSpace), reads at most that many bytes
// to ReceiveTail and commits them (CommitReceived), then passes the finished
// lines on (FlushReceivedLines). OpenPort empties the buffer
// (DiscardReceived) so that a line left unfinished by the previous port is
// never shown; it must not do so while a receiver is using the buffer.
//
// Line rule: a line is everything in front of a line feed, the carriage
// return kept; a lone line feed gives an empty line. Zero bytes from the line
// are dropped (the buffer is zero-terminated text). When 64 characters have
// arrived without a line feed they are passed on as a line of their own, so a
// full buffer never stops the reading; what comes next starts a new line.
#pragma once

#include <cstddef>
#include <functional>

// Characters the buffer holds while waiting for their line feed.
constexpr std::size_t RxCapacity = 64;

struct ReceiveBuffer {
  // Text not yet ended by a line feed, zero-terminated once committed; holds
  // no zero byte and, after a flush, no line feed.
  char Text[RxCapacity + 1] = {};
  // Characters in Text. Kept apart from the terminating zero because a read
  // into the buffer writes over that zero before CommitReceived runs.
  std::size_t Length = 0;
};

// Receives one finished line, zero-terminated, its line feed removed. The
// text is borrowed for the call only; the sink must not touch the buffer.
using LineSink = std::function<void(const char* line)>;

// Bytes a read may deliver now (1 to 64 after a flush).
std::size_t ReceiveSpace(const ReceiveBuffer& buffer);

// Where a read of up to ReceiveSpace bytes puts them.
char* ReceiveTail(ReceiveBuffer& buffer);

// Takes the count bytes a read has just written at ReceiveTail (count at most
// ReceiveSpace), dropping zero bytes among them.
void CommitReceived(ReceiveBuffer& buffer, std::size_t count);

// Passes on every finished line, in order, then the buffer's text when it
// has filled up without a line feed; what follows the last line feed stays
// at the start of the buffer.
void FlushReceivedLines(ReceiveBuffer& buffer, const LineSink& sink);

// Appends any number of received bytes from elsewhere and passes on every
// line they finish: the same result as reading them in ReceiveSpace-sized
// pieces with a flush after each.
void ReceiveBytes(ReceiveBuffer& buffer, const char* bytes, std::size_t count,
                  const LineSink& sink);

// Forgets the unfinished text.
void DiscardReceived(ReceiveBuffer& buffer);

// The unfinished text waiting for its line feed.
const char* PendingText(const ReceiveBuffer& buffer);
