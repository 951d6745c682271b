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
// are dropped (the buffer is zero-terminated text). A line holds at most 64
// characters. When 64 have arrived without a line feed, the next byte
// decides: a line feed ends them as a line like any other; any other byte
// passes them on as a line of their own and starts the next line. So a line
// of 64 characters, or of 63 and a carriage return, is one line with its line
// feed and no empty line after it; longer text is cut into pieces of 64.
//
// Waiting for the deciding byte is the buffer's own state: after a flush,
// Length == RxCapacity means "full, waiting for the next byte", and the
// buffer keeps room for that byte, so a read is never asked to take nothing.
// The flush after the commit of that byte settles the wait.
#pragma once

#include <cstddef>
#include <functional>

// Characters the buffer holds while waiting for their line feed: the longest
// line passed on.
constexpr std::size_t RxCapacity = 64;

struct ReceiveBuffer {
  // Text not yet ended by a line feed, zero-terminated once committed; holds
  // no zero byte. After a flush it holds no line feed and at most RxCapacity
  // characters; the place after those is for the byte that decides what a
  // full buffer becomes, then comes the terminating zero.
  char Text[RxCapacity + 2] = {};
  // Characters in Text. Kept apart from the terminating zero because a read
  // into the buffer writes over that zero before CommitReceived runs.
  std::size_t Length = 0;
};

// Receives one finished line, zero-terminated, its line feed removed. The
// text is borrowed for the call only; the sink must not touch the buffer.
using LineSink = std::function<void(const char* line)>;

// Bytes a read may deliver now: after a flush at least 1 (a full buffer
// still takes its deciding byte) and at most RxCapacity + 1.
std::size_t ReceiveSpace(const ReceiveBuffer& buffer);

// Where a read of up to ReceiveSpace bytes puts them.
char* ReceiveTail(ReceiveBuffer& buffer);

// Takes the count bytes a read has just written at ReceiveTail (count at most
// ReceiveSpace), dropping zero bytes among them. Passes nothing on.
void CommitReceived(ReceiveBuffer& buffer, std::size_t count);

// Passes on every finished line, in order: those ended by a line feed, then
// 64 characters followed by a byte that is no line feed. What follows the
// last line feed stays at the start of the buffer, 64 characters included:
// they wait for their deciding byte.
void FlushReceivedLines(ReceiveBuffer& buffer, const LineSink& sink);

// Appends any number of received bytes from elsewhere and passes on every
// line they finish: the same result as reading them in ReceiveSpace-sized
// pieces with a flush after each.
void ReceiveBytes(ReceiveBuffer& buffer, const char* bytes, std::size_t count,
                  const LineSink& sink);

// Forgets the unfinished text, a full buffer's included.
void DiscardReceived(ReceiveBuffer& buffer);

// The unfinished text waiting for its line feed (after a flush: up to 64
// characters).
const char* PendingText(const ReceiveBuffer& buffer);
