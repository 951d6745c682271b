#include "link/LineSplitter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
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
    {"64 without LF pass on as a line", {Xs(64)}, {Xs(64)}, ""},
    {"after a full line a new one starts", {Xs(64), "yz\n"}, {Xs(64), "yz"}, ""},
    {"LF right after a full line is an empty line", {Xs(64), "\n"}, {Xs(64), ""}, ""},
    {"65 and LF in one arrival", {Xs(65) + "\n"}, {Xs(64), "x"}, ""},
    {"full line filled up across reads", {Xs(40), Xs(30)}, {Xs(64)}, Xs(6)},
    {"200 without LF", {Xs(200)}, {Xs(64), Xs(64), Xs(64)}, Xs(8)},
    {"zero dropped, rest kept", {"AB" + Z + "CD\n"}, {"ABCD"}, ""},
    {"LF after a zero still ends the line", {"A" + Z + "\nB\n"}, {"A", "B"}, ""},
    {"only zeros", {Z + Z + Z}, {}, ""},
    {"zero first", {Z + "A\n"}, {"A"}, ""},
    {"zeros do not count toward a full line", {Xs(63) + Z + "y\n"}, {Xs(63) + "y", ""}, ""},
    {"zeros between reads", {"A" + Z, Z + "B" + Z, "\n"}, {"AB"}, ""},
};

template <class Receiver>
void RunCases() {
  for (const auto& c : kCases) {
    Receiver r;
    for (const auto& a : c.arrivals) r.Arrive(a);
    EXPECT_EQ(r.lines, c.lines) << c.name;
    EXPECT_EQ(std::string(PendingText(r.buffer)), c.pending) << c.name;
  }
}

TEST(LineSplitter, CutsLinesWhenReadInPlace) { RunCases<ReadingReceiver>(); }

TEST(LineSplitter, CutsLinesFromAScratchBuffer) { RunCases<ScratchReceiver>(); }

TEST(LineSplitter, FlushWithoutLineFeedPassesNothing) {
  ReceiveBuffer buffer;
  int calls = 0;
  const LineSink count = [&calls](const char*) { ++calls; };
  FlushReceivedLines(buffer, count);
  ReceiveBytes(buffer, "abc", 3, count);
  FlushReceivedLines(buffer, count);
  EXPECT_EQ(calls, 0);
  EXPECT_STREQ(PendingText(buffer), "abc");
  EXPECT_EQ(ReceiveSpace(buffer), 61u);
}

TEST(LineSplitter, DiscardForgetsTheUnfinishedLine) {
  ReadingReceiver r;
  r.Arrive("left by the previous port");
  DiscardReceived(r.buffer);
  EXPECT_STREQ(PendingText(r.buffer), "");
  EXPECT_EQ(ReceiveSpace(r.buffer), RxCapacity);
  r.Arrive("OK\r\n");
  EXPECT_EQ(r.lines, Lines{"OK\r"});
}

TEST(LineSplitter, CommitNeverReachesPastTheBuffer) {
  ReceiveBuffer buffer;
  std::memset(ReceiveTail(buffer), 'a', RxCapacity);
  CommitReceived(buffer, RxCapacity + 10);  // overstated by the caller
  EXPECT_EQ(ReceiveSpace(buffer), 0u);
  EXPECT_EQ(buffer.Text[RxCapacity], '\0');
}

TEST(LineSplitter, ScratchEntryFlushesABufferLeftFull) {
  ReceiveBuffer buffer;
  std::memset(ReceiveTail(buffer), 'a', RxCapacity);
  CommitReceived(buffer, RxCapacity);
  Lines lines;
  ReceiveBytes(buffer, "b\n", 2, [&lines](const char* l) { lines.emplace_back(l); });
  EXPECT_EQ(lines, (Lines{std::string(RxCapacity, 'a'), "b"}));
}

// Reference model: one byte at a time, the line rule stated plainly.
Lines ReferenceLines(const std::string& stream, std::string& pending) {
  Lines lines;
  pending.clear();
  for (char c : stream) {
    if (c == '\0') continue;
    if (c == '\n') {
      lines.push_back(pending);
      pending.clear();
      continue;
    }
    pending += c;
    if (pending.size() == RxCapacity) {
      lines.push_back(pending);
      pending.clear();
    }
  }
  return lines;
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
    const Lines expected = ReferenceLines(stream, expectedPending);

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
