#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <poll.h>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "Replies.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kDeadline = std::chrono::seconds(10);

// ---- the pure helpers ----

TEST(SimprocReplies, AnswersKeyCommandsAndFlagsTheRest) {
  const struct {
    const char* line;
    const char* reply;
  } cases[] = {
      {"1 17 1 25", "OK 1 17 1 25"},   {"2 17 2 99", "OK 2 17 2 99"},
      {"1 17 1 0", "OK 1 17 1 0"},     {"1 17 1 100", "ERR 1 17 1 100"},
      {"3 17 1 5", "ERR 3 17 1 5"},    {"1 18 1 5", "ERR 1 18 1 5"},
      {"1 17 3 5", "ERR 1 17 3 5"},    {"1 17 1 05", "ERR 1 17 1 05"},
      {"1  17 1 5", "ERR 1  17 1 5"},  {"1 17 1 5 6", "ERR 1 17 1 5 6"},
      {"1 17 1", "ERR 1 17 1"},        {"abc", "ERR abc"},
      {"a\rb", "ERR a\rb"},            {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(ReplyTo(c.line), c.reply) << c.line;
}

TEST(SimprocReplies, AssemblesLinesStrippingTrailingCarriageReturns) {
  LineAssembler assembler;
  std::vector<std::string> lines;
  const std::string input = "ab\r\r\ncd\n\nx\ry\n\r\ntail";
  for (char c : input) assembler.Feed(&c, 1, [&](const std::string& l) { lines.push_back(l); });
  EXPECT_EQ(lines, (std::vector<std::string>{"ab", "cd", "", "x\ry", ""}));
}

TEST(SimprocReplies, ParsesHexBytes) {
  std::string bytes;
  ASSERT_TRUE(ParseHex("4f 4B0d 0a00", bytes));
  EXPECT_EQ(bytes, std::string("OK\r\n\0", 5));
  EXPECT_FALSE(ParseHex("4", bytes));
  EXPECT_FALSE(ParseHex("4 f", bytes));
  EXPECT_FALSE(ParseHex("zz", bytes));
  ASSERT_TRUE(ParseHex("", bytes));
  EXPECT_EQ(bytes, "");
}

TEST(SimprocReplies, NoiseIsDeterministicPerSeed) {
  EXPECT_EQ(NoiseBytes(500, 7), NoiseBytes(500, 7));
  EXPECT_NE(NoiseBytes(500, 7), NoiseBytes(500, 8));
  EXPECT_EQ(NoiseBytes(500, 7).substr(0, 100), NoiseBytes(100, 7));
  EXPECT_NE(NoiseBytes(5000, 1).find('\0'), std::string::npos);
}

TEST(SimprocReplies, BurstLinesAreNumberedFromOne) {
  EXPECT_EQ(BurstLines(3), "BURST 1\r\nBURST 2\r\nBURST 3\r\n");
  EXPECT_EQ(BurstLines(0), "");
}

// ---- the running simulator ----

bool WaitUntil(const std::function<bool()>& condition) {
  const auto end = Clock::now() + kDeadline;
  while (Clock::now() < end) {
    if (condition()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return condition();
}

bool Exists(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0;
}

class RunningSimproc : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/simproc-test-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
    link_ = dir_ + "/port";
    control_ = dir_ + "/control";
    log_ = dir_ + "/log";
    pid_ = fork();
    ASSERT_GE(pid_, 0);
    if (pid_ == 0) {
      execl(SIMPROC_PATH, SIMPROC_PATH, "--link", link_.c_str(), "--log", log_.c_str(), "--control",
            control_.c_str(), "--quiet", static_cast<char*>(nullptr));
      _exit(127);
    }
    ASSERT_TRUE(WaitUntil([&] { return Exists(link_); })) << "no link appeared";
    port_ = OpenPort();
    ASSERT_GE(port_, 0);
  }

  void TearDown() override {
    if (port_ >= 0) close(port_);
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    unlink(link_.c_str());
    unlink(control_.c_str());
    unlink(log_.c_str());
    rmdir(dir_.c_str());
  }

  int OpenPort() {
    const int fd = open(link_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) return fd;
    termios tio;
    tcgetattr(fd, &tio);
    cfmakeraw(&tio);
    tcsetattr(fd, TCSANOW, &tio);
    return fd;
  }

  void Write(const std::string& bytes) {
    ASSERT_EQ(write(port_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  }

  void Control(const std::string& command) {
    const int fd = open(control_.c_str(), O_WRONLY);
    ASSERT_GE(fd, 0);
    const std::string line = command + "\n";
    ASSERT_EQ(write(fd, line.data(), line.size()), static_cast<ssize_t>(line.size()));
    close(fd);
  }

  // Reads until exactly `size` bytes have come (or the deadline passes).
  std::string ReadBytes(std::size_t size) {
    std::string got;
    const auto end = Clock::now() + kDeadline;
    while (got.size() < size && Clock::now() < end) {
      pollfd p = {port_, POLLIN, 0};
      if (poll(&p, 1, 50) <= 0) continue;
      char buf[4096];
      const ssize_t n = read(port_, buf, std::min(sizeof buf, size - got.size()));
      if (n > 0) got.append(buf, static_cast<std::size_t>(n));
    }
    return got;
  }

  // True when nothing more arrives for a short while: only used after an
  // exact expected answer, to show no extra bytes followed it.
  bool QuietFor(int ms) {
    pollfd p = {port_, POLLIN, 0};
    return poll(&p, 1, ms) == 0;
  }

  std::string LogText() {
    std::ifstream in(log_);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }

  std::string dir_, link_, control_, log_;
  pid_t pid_ = -1;
  int port_ = -1;
};

TEST_F(RunningSimproc, AnswersEachLineInOrder) {
  const std::string reply1 = "OK 1 17 1 25\r\n";
  const std::string reply2 = "ERR abc\r\n";
  const std::string reply3 = "OK 2 17 2 99\r\n";
  Write("1 17 1 25\r\n");
  EXPECT_EQ(ReadBytes(reply1.size()), reply1);
  Write("abc\r\r\n\n2 17 2 99\n");  // the empty line gets no answer
  EXPECT_EQ(ReadBytes(reply2.size() + reply3.size()), reply2 + reply3);
  Write("no line feed yet");
  Write("\n");
  const std::string reply4 = "ERR no line feed yet\r\n";
  EXPECT_EQ(ReadBytes(reply4.size()), reply4);
  EXPECT_TRUE(QuietFor(100));
}

TEST_F(RunningSimproc, SendsWhatTheControlChannelAsks) {
  Control("send HELLO");
  EXPECT_EQ(ReadBytes(7), "HELLO\r\n");
  Control("partial PART");
  EXPECT_EQ(ReadBytes(4), "PART");
  Control("raw 4f 4b 0d 0a 00");
  EXPECT_EQ(ReadBytes(5), std::string("OK\r\n\0", 5));
  Control("burst 1000");
  const std::string burst = BurstLines(1000);
  EXPECT_EQ(ReadBytes(burst.size()), burst);
  Control("noise 300 7");
  EXPECT_EQ(ReadBytes(300), NoiseBytes(300, 7));
}

TEST_F(RunningSimproc, StaysSilentWhileAnsweringIsOff) {
  // The port and the FIFO are separate channels: each step waits for proof
  // that the simulator has handled the previous one.
  Control("answer off");
  Control("send MARK");
  ASSERT_EQ(ReadBytes(6), "MARK\r\n");
  Write("1 17 1 25\n");
  ASSERT_TRUE(WaitUntil([&] { return LogText().find("|1 17 1 25.|") != std::string::npos; }));
  Control("answer on");
  Control("send MARK");
  ASSERT_EQ(ReadBytes(6), "MARK\r\n");  // not the answer to the silent line
  Write("2 17 1 1\n");
  EXPECT_EQ(ReadBytes(13), "OK 2 17 1 1\r\n");
}

TEST_F(RunningSimproc, VanishesAndReturns) {
  Control("vanish");
  ASSERT_TRUE(WaitUntil([&] { return !Exists(link_); }));
  EXPECT_EQ(write(port_, "x\n", 2), -1);
  EXPECT_EQ(errno, EIO);
  close(port_);
  port_ = -1;

  Control("return");
  ASSERT_TRUE(WaitUntil([&] { return Exists(link_); }));
  port_ = OpenPort();
  ASSERT_GE(port_, 0);
  Write("1 17 1 5\r\n");
  EXPECT_EQ(ReadBytes(13), "OK 1 17 1 5\r\n");
}

TEST_F(RunningSimproc, LogsBothDirectionsInHex) {
  Write("1 17 1 25\r\n");
  ASSERT_EQ(ReadBytes(14), "OK 1 17 1 25\r\n");
  ASSERT_TRUE(WaitUntil([&] { return LogText().find(" TX ") != std::string::npos; }));
  const std::string log = LogText();
  EXPECT_NE(log.find("RX    11  31 20 31 37 20 31 20 32 35 0d 0a"), std::string::npos) << log;
  EXPECT_NE(log.find("TX    14  4f 4b 20 31 20 31 37 20 31 20 32 35 0d 0a"), std::string::npos) << log;
}

TEST_F(RunningSimproc, TerminationRemovesLinkAndFifo) {
  ASSERT_EQ(kill(pid_, SIGTERM), 0);
  int status = 0;
  ASSERT_EQ(waitpid(pid_, &status, 0), pid_);
  pid_ = -1;
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_FALSE(Exists(link_));
  EXPECT_FALSE(Exists(control_));
}

TEST_F(RunningSimproc, QuitCommandEndsIt) {
  Control("quit");
  int status = 0;
  ASSERT_EQ(waitpid(pid_, &status, 0), pid_);
  pid_ = -1;
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_FALSE(Exists(link_));
}

}  // namespace
