#include "link/LineSplitter.h"
#include "tests/support/LineModel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace {

using Lines = std::vector<std::string>;

// Plays the receiver: each arrival is what the port has received by the time
// of a pass; the pass reads it in pieces of at most ReceiveSpace bytes into
// the buffer, flushing after each read, until nothing is waiting.
struct ReadingReceiver {
  ReceiveBuffer buffer;
  Lines lines;

  void Arrive(const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
      const std::size_t space = ReceiveSpace(buffer);
      ASSERT_GT(space, 0u) << "a flushed buffer must always take a byte";
      const std::size_t count = std::min(space, bytes.size() - done);
      std::memcpy(ReceiveTail(buffer), bytes.data() + done, count);
      CommitReceived(buffer, count);
      FlushReceivedLines(buffer, [this](const char* line) { lines.emplace_back(line); });
      done += count;
    }
  }
};

// The same, through the scratch-buffer entry that takes any amount at once.
struct ScratchReceiver {
  ReceiveBuffer buffer;
  Lines lines;

  void Arrive(const std::string& bytes) {
    ReceiveBytes(buffer, bytes.data(), bytes.size(),
                 [this](const char* line) { lines.emplace_back(line); });
  }
};

std::string Xs(std::size_t n) { return std::string(n, 'x'); }

struct SplitCase {
  const char* name;
  std::vector<std::string> arrivals;
  Lines lines;
  std::string pending;
};

const std::string Z(1, '\0');

const SplitCase kCases[] = {
    {"CR kept, LF removed", {"OK\r\n"}, {"OK\r"}, ""},
    {"two lines in one read", {"A\nB\n"}, {"A", "B"}, ""},
    {"line completed by a later read", {"AB", "C\n"}, {"ABC"}, ""},
    {"lone line feed", {"\n"}, {""}, ""},
    {"empty lines between", {"A\n\n\nB\n"}, {"A", "", "", "B"}, ""},
    {"CR LF pairs", {"\r\n\r\n"}, {"\r", "\r"}, ""},
    {"63 characters and LF", {Xs(63) + "\n"}, {Xs(63)}, ""},
    {"63 characters, LF later", {Xs(63), "\n"}, {Xs(63)}, ""},
    {"text without LF is kept back", {"partial"}, {}, "partial"},
    {"text after the last LF is kept back", {"A\nBC"}, {"A"}, "BC"},
    {"many small reads", {"h", "e", "l", "l", "o", "\r", "\n"}, {"hello\r"}, ""},
    {"8-bit bytes as they come", {"\xff\x80\x01\n"}, {"\xff\x80\x01"}, ""},
    {"text of 64 is passed on by the byte after it", {Xs(64) + "yz\n"}, {Xs(64), "yz"}, ""},
    {"65 and LF in one arrival", {Xs(65) + "\n"}, {Xs(64), "x"}, ""},
    {"full line filled up across reads", {Xs(40), Xs(30)}, {Xs(64)}, Xs(6)},
    {"200 without LF", {Xs(200)}, {Xs(64), Xs(64), Xs(64)}, Xs(8)},
    {"zero dropped, rest kept", {"AB" + Z + "CD\n"}, {"ABCD"}, ""},
    {"LF after a zero still ends the line", {"A" + Z + "\nB\n"}, {"A", "B"}, ""},
    {"only zeros", {Z + Z + Z}, {}, ""},
    {"zero first", {Z + "A\n"}, {"A"}, ""},
    {"zeros between reads", {"A" + Z, Z + "B" + Z, "\n"}, {"AB"}, ""},
};

// 64 characters without a line feed wait for one more byte, which decides
// whether they end as a line (LF) or are passed on as one (anything else).
const SplitCase kFullLineCases[] = {
    {"64 and LF: one line", {Xs(64) + "\n"}, {Xs(64)}, ""},
    {"63, CR and LF: one line ending in CR", {Xs(63) + "\r\n"}, {Xs(63) + "\r"}, ""},
    {"64, CR and LF: the CR is a line of its own", {Xs(64) + "\r\n"}, {Xs(64), "\r"}, ""},
    {"100 and LF: 64 and 36", {Xs(100) + "\n"}, {Xs(64), Xs(36)}, ""},
    {"128 and LF: 64 and 64", {Xs(128) + "\n"}, {Xs(64), Xs(64)}, ""},
    {"129 and LF: 64, 64 and 1", {Xs(129) + "\n"}, {Xs(64), Xs(64), "x"}, ""},
    {"64 and two LFs: the second is an empty line", {Xs(64) + "\n\n"}, {Xs(64), ""}, ""},
    {"64 wait for the next byte", {Xs(64)}, {}, Xs(64)},
    {"63 and CR wait for the next byte", {Xs(63) + "\r"}, {}, Xs(63) + "\r"},
    {"64, LF in a later read", {Xs(64), "\n"}, {Xs(64)}, ""},
    {"63 and CR, LF in a later read", {Xs(63) + "\r", "\n"}, {Xs(63) + "\r"}, ""},
    {"64 filled up across reads, then LF", {Xs(30), Xs(34), "\n"}, {Xs(64)}, ""},
    {"64, a letter in a later read", {Xs(64), "y"}, {Xs(64)}, "y"},
    {"64 after a finished line", {"A\n" + Xs(64) + "\nB\n"}, {"A", Xs(64), "B"}, ""},
    {"64 after a finished line, LF later", {"A\n" + Xs(64), "\n"}, {"A", Xs(64)}, ""},
    {"zero between the 64 and their LF", {Xs(64) + Z + "\n"}, {Xs(64)}, ""},
    {"zero between the 64 and a letter", {Xs(64) + Z + "y\n"}, {Xs(64), "y"}, ""},
    {"zeros in a read of their own", {Xs(64), Z + Z, "\n"}, {Xs(64)}, ""},
    {"zeros in a read of their own, then a letter", {Xs(64), Z, "y\n"}, {Xs(64), "y"}, ""},
    {"zeros do not count toward a full line", {Xs(63) + Z + "y\n"}, {Xs(63) + "y"}, ""},
    {"zero in front of the CR of 63", {Xs(63) + Z + "\r\n"}, {Xs(63) + "\r"}, ""},
};

template <class Receiver>
void RunCases(const SplitCase* begin, const SplitCase* end, const char* how) {
  for (const SplitCase* c = begin; c != end; ++c) {
    Receiver r;
    for (const auto& a : c->arrivals) r.Arrive(a);
    EXPECT_EQ(r.lines, c->lines) << c->name << ", " << how;
    EXPECT_EQ(std::string(PendingText(r.buffer)), c->pending) << c->name << ", " << how;
  }
}

TEST(LineSplitter, CutsLinesReadInPlaceOrFromAScratchBuffer) {
  RunCases<ReadingReceiver>(std::begin(kCases), std::end(kCases), "read in place");
  RunCases<ScratchReceiver>(std::begin(kCases), std::end(kCases), "from a scratch buffer");
}

TEST(LineSplitter, EndsAFullLineByTheNextByteReadInPlaceOrFromAScratchBuffer) {
  RunCases<ReadingReceiver>(std::begin(kFullLineCases), std::end(kFullLineCases), "read in place");
  RunCases<ScratchReceiver>(std::begin(kFullLineCases), std::end(kFullLineCases), "from a scratch buffer");
}

TEST(LineSplitter, FlushWithoutLineFeedPassesNothing) {
  ReceiveBuffer buffer;
  int calls = 0;
  const LineSink count = [&calls](const char*) { ++calls; };
  FlushReceivedLines(buffer, count);
  ReceiveBytes(buffer, "abc", 3, count);
  FlushReceivedLines(buffer, count);
  EXPECT_EQ(calls, 0);
  EXPECT_STREQ(PendingText(buffer), "abc");
  EXPECT_EQ(ReceiveSpace(buffer), 62u) << "61 characters to a full buffer, and its deciding byte";
}

TEST(LineSplitter, AFullBufferTakesOnlyItsDecidingByte) {
  ReadingReceiver r;
  r.Arrive(Xs(64));
  EXPECT_EQ(r.lines, Lines{});
  EXPECT_EQ(ReceiveSpace(r.buffer), 1u);
  r.Arrive(Z);
  EXPECT_EQ(ReceiveSpace(r.buffer), 1u) << "a zero byte decides nothing";
  r.Arrive("\n");
  EXPECT_EQ(r.lines, Lines{Xs(64)});
  EXPECT_EQ(ReceiveSpace(r.buffer), 65u);
}

TEST(LineSplitter, DiscardForgetsTheUnfinishedLine) {
  const std::string leftOvers[] = {"left by the previous port", Xs(63) + "\r", Xs(64)};
  for (const std::string& left : leftOvers) {
    ReadingReceiver r;
    r.Arrive(left);
    DiscardReceived(r.buffer);
    EXPECT_STREQ(PendingText(r.buffer), "") << left;
    EXPECT_EQ(ReceiveSpace(r.buffer), 65u) << left;
    r.Arrive("OK\r\n");
    EXPECT_EQ(r.lines, Lines{"OK\r"}) << left;
  }
}

TEST(LineSplitter, CommitNeverReachesPastTheBuffer) {
  ReceiveBuffer buffer;
  std::memset(ReceiveTail(buffer), 'a', RxCapacity + 1);
  CommitReceived(buffer, RxCapacity + 10);  // overstated by the caller
  EXPECT_EQ(buffer.Length, 65u);
  EXPECT_EQ(ReceiveSpace(buffer), 0u);
  EXPECT_EQ(buffer.Text[65], '\0');
}

TEST(LineSplitter, ScratchEntryFlushesABufferLeftFull) {
  // Committed and not flushed: 64 characters and their deciding byte.
  ReceiveBuffer buffer;
  std::memset(ReceiveTail(buffer), 'a', RxCapacity);
  ReceiveTail(buffer)[RxCapacity] = 'b';
  CommitReceived(buffer, RxCapacity + 1);
  Lines lines;
  ReceiveBytes(buffer, "c\n", 2, [&lines](const char* l) { lines.emplace_back(l); });
  EXPECT_EQ(lines, (Lines{std::string(64, 'a'), "bc"}));
}

std::string RandomStream(std::mt19937& rng) {
  std::uniform_int_distribution<int> length(0, 600);
  std::uniform_int_distribution<int> pick(0, 99);
  std::uniform_int_distribution<int> byte(1, 255);
  const int n = length(rng);
  std::string s;
  for (int i = 0; i < n; ++i) {
    const int p = pick(rng);
    if (p < 8) s += '\n';
    else if (p < 13) s += '\0';
    else if (p < 18) s += '\r';
    else if (p < 20) s += std::string(static_cast<std::size_t>(pick(rng)), 'L');  // long runs
    else if (p < 23) {
      // A line of about 64 characters after a line feed, then LF or CR LF,
      // now and then with a zero byte in front of the ending.
      s += '\n' + std::string(static_cast<std::size_t>(61 + pick(rng) % 6), 'M');
      if (pick(rng) < 20) s += '\0';
      s += pick(rng) < 50 ? "\n" : "\r\n";
    }
    else s += static_cast<char>(byte(rng));
  }
  return s;
}

std::vector<std::string> RandomChunks(std::mt19937& rng, const std::string& stream) {
  std::uniform_int_distribution<std::size_t> size(1, 150);
  std::vector<std::string> chunks;
  for (std::size_t at = 0; at < stream.size();) {
    const std::size_t n = std::min(size(rng), stream.size() - at);
    chunks.push_back(stream.substr(at, n));
    at += n;
  }
  return chunks;
}

TEST(LineSplitter, AnyChunkingGivesTheReferenceLines) {
  std::mt19937 rng(20240611u);
  for (int round = 0; round < 2000; ++round) {
    const std::string stream = RandomStream(rng);
    std::string expectedPending;
    const Lines expected = ModelLines(stream, &expectedPending);

    ReadingReceiver reading;
    for (const auto& chunk : RandomChunks(rng, stream)) reading.Arrive(chunk);
    ASSERT_EQ(reading.lines, expected) << "round " << round;
    ASSERT_EQ(std::string(PendingText(reading.buffer)), expectedPending) << "round " << round;

    ScratchReceiver scratch;
    for (const auto& chunk : RandomChunks(rng, stream)) scratch.Arrive(chunk);
    ASSERT_EQ(scratch.lines, expected) << "round " << round;
    ASSERT_EQ(std::string(PendingText(scratch.buffer)), expectedPending) << "round " << round;
  }
}

}  // namespace
