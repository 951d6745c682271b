// libFuzzer target for the receive buffer. The input is both the bytes the
// processor sends and how they arrive: the first bytes choose the sizes of
// the reads (as the receiver thread would get them from the port), the rest
// is the stream. Every way of cutting the stream must give the lines of a
// one-byte-at-a-time reference model (tests/support/LineModel.h), and the
// text left waiting must be the model's too.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "link/LineSplitter.h"
#include "tests/support/LineModel.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Byte 0: how many of the following bytes are read sizes (0 to 15).
  if (size == 0) return 0;
  const size_t sizeCount = data[0] & 15;
  if (size < 1 + sizeCount) return 0;
  const uint8_t* sizes = data + 1;
  const std::string stream(reinterpret_cast<const char*>(data + 1 + sizeCount),
                           size - 1 - sizeCount);

  std::string expectedPending;
  const std::vector<std::string> expected = ModelLines(stream, &expectedPending);

  // As the receiver reads: at most ReceiveSpace bytes written at
  // ReceiveTail, committed, flushed. Each read asks for the next size in
  // turn; a size the buffer cannot take is cut to what it can.
  std::vector<std::string> lines;
  const LineSink sink = [&lines](const char* line) {
    Check(std::strlen(line) <= RxCapacity);
    Check(std::strchr(line, '\n') == nullptr);
    lines.emplace_back(line);
  };
  ReceiveBuffer buffer;
  size_t at = 0;
  for (size_t read = 0; at < stream.size(); ++read) {
    const size_t space = ReceiveSpace(buffer);
    // Never a read of nothing, never more than a full line and one byte.
    Check(space >= 1 && space <= RxCapacity + 1);
    size_t want = sizeCount ? sizes[read % sizeCount] : 1;
    if (want == 0) want = 1;
    const size_t n = std::min({want, space, stream.size() - at});
    std::memcpy(ReceiveTail(buffer), stream.data() + at, n);
    CommitReceived(buffer, n);
    FlushReceivedLines(buffer, sink);
    at += n;
  }
  Check(lines == expected);
  Check(PendingText(buffer) == expectedPending);
  Check(std::strlen(PendingText(buffer)) == buffer.Length);

  // The whole stream at once through ReceiveBytes: the same lines.
  std::vector<std::string> whole;
  ReceiveBuffer other;
  ReceiveBytes(other, stream.data(), stream.size(),
               [&whole](const char* line) { whole.emplace_back(line); });
  Check(whole == expected);
  Check(PendingText(other) == expectedPending);

  // Discarding leaves nothing for the next port.
  DiscardReceived(other);
  Check(PendingText(other)[0] == '\0' && ReceiveSpace(other) == RxCapacity + 1);
  return 0;
}
