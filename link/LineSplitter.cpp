#include "link/LineSplitter.h"

#include <algorithm>
#include <cstring>

// Up to a full buffer and one byte more, the one that decides what the full
// buffer becomes. Only a commit that was not flushed leaves more than a full
// buffer, and then there is no room.
std::size_t ReceiveSpace(const ReceiveBuffer& buffer) { return RxCapacity + 1 - buffer.Length; }

char* ReceiveTail(ReceiveBuffer& buffer) { return buffer.Text + buffer.Length; }

void CommitReceived(ReceiveBuffer& buffer, std::size_t count) {
  // Never look past the buffer, even if the caller overstates the count.
  count = std::min(count, ReceiveSpace(buffer));
  const char* in = ReceiveTail(buffer);
  char* out = ReceiveTail(buffer);
  for (std::size_t i = 0; i < count; ++i) {
    if (in[i] != '\0') *out++ = in[i];
  }
  *out = '\0';
  buffer.Length = out - buffer.Text;
}

void FlushReceivedLines(ReceiveBuffer& buffer, const LineSink& sink) {
  for (;;) {
    char* feed = static_cast<char*>(std::memchr(buffer.Text, '\n', buffer.Length));
    if (feed == nullptr) break;
    // The line is handed over in place: cutting at the feed terminates it.
    *feed = '\0';
    sink(buffer.Text);
    const std::size_t rest = buffer.Length - (feed + 1 - buffer.Text);
    std::memmove(buffer.Text, feed + 1, rest + 1);  // with its zero
    buffer.Length = rest;
  }
  // No line feed is left, so a character after a full buffer decides: the 64
  // in front of it are a line, and it starts the next one. A full buffer
  // with nothing after it keeps waiting.
  if (buffer.Length > RxCapacity) {
    const char next = buffer.Text[RxCapacity];
    buffer.Text[RxCapacity] = '\0';
    sink(buffer.Text);
    buffer.Text[0] = next;
    buffer.Text[1] = '\0';
    buffer.Length = 1;
  }
}

void ReceiveBytes(ReceiveBuffer& buffer, const char* bytes, std::size_t count,
                  const LineSink& sink) {
  while (count > 0) {
    // A commit without its flush may have left a full buffer and its
    // deciding byte, with no room for more.
    if (ReceiveSpace(buffer) == 0) FlushReceivedLines(buffer, sink);
    const std::size_t piece = std::min(count, ReceiveSpace(buffer));
    std::memcpy(ReceiveTail(buffer), bytes, piece);
    CommitReceived(buffer, piece);
    FlushReceivedLines(buffer, sink);
    bytes += piece;
    count -= piece;
  }
}

void DiscardReceived(ReceiveBuffer& buffer) {
  buffer.Text[0] = '\0';
  buffer.Length = 0;
}

const char* PendingText(const ReceiveBuffer& buffer) { return buffer.Text; }
