// simproc: the simulated processor. Serves one pseudo-terminal whose slave
// is reachable through a fixed symbolic link, answers every line it receives
// and sends what a control FIFO asks for. One thread, one poll loop: it
// blocks in ppoll while nothing happens.
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "PtyLink.h"
#include "Replies.h"
#include "TrafficLog.h"

namespace {

const char kUsage[] =
    "usage: simproc --link PATH [--log FILE] [--control FIFO] [--quiet]\n"
    "\n"
    "Plays the processor on a pseudo-terminal. PATH becomes a symbolic link to\n"
    "the terminal's slave device (an existing link is replaced; it is removed\n"
    "on SIGTERM, SIGINT, SIGHUP and 'quit'). Every line received (ended by LF,\n"
    "trailing CRs stripped) is answered with 'OK <line>' when it is a key\n"
    "command '<zone> 17 <action> <code>', else 'ERR <line>', then CR LF; empty\n"
    "lines get no answer.\n"
    "\n"
    "  --log FILE      append every byte received (RX) and sent (TX), with its\n"
    "                  CLOCK_MONOTONIC time in ms, as hex and printable text\n"
    "  --control FIFO  read commands from FIFO (created if missing, removed at\n"
    "                  exit if created), one per line; it exists before PATH\n"
    "                  is linked, so a waiting caller may use it once PATH is\n"
    "  --quiet         no status messages on stderr\n"
    "\n"
    "Control commands:\n"
    "  send TEXT        send TEXT and CR LF\n"
    "  partial TEXT     send TEXT alone, no terminator\n"
    "  raw HEX          send exact bytes, e.g. 'raw 4f 4b 0d 0a'\n"
    "  burst N          send 'BURST 1' ... 'BURST N', each with CR LF, at once\n"
    "  noise N [SEED]   send N pseudo-random bytes (zeros included); the same\n"
    "                   N and SEED (default 1) always give the same bytes\n"
    "  answer on|off    answer received lines or stay silent (default on)\n"
    "  vanish           close the terminal and remove PATH: the port is gone\n"
    "  return           a new terminal, PATH linked to it again\n"
    "  quit             clean up and exit\n";

volatile std::sig_atomic_t g_stop = 0;

void OnStopSignal(int) { g_stop = 1; }

struct Options {
  std::string Link;
  std::string Log;
  std::string Control;
  bool Quiet = false;
};

class Simulator {
 public:
  explicit Simulator(const Options& options) : options_(options) {}
  ~Simulator() { Shutdown(); }

  bool Start();
  int Run();

 private:
  void Status(const std::string& text);
  void Event(const std::string& text);
  bool LinkPort();
  void Vanish();
  void Enqueue(const std::string& bytes);
  void WriteQueued();
  void ReadPort();
  void ReadControl();
  void Execute(const std::string& command);
  void Shutdown();

  Options options_;
  TrafficLog log_;
  PtyLink pty_;
  LineAssembler received_;
  std::string outQueue_;  // bytes waiting for the terminal to take them
  bool answering_ = true;
  bool quit_ = false;
  int controlRead_ = -1;
  int controlKeep_ = -1;  // our own writer: the FIFO never reports hang-up
  bool createdFifo_ = false;
  std::string controlPending_;
};

void Simulator::Status(const std::string& text) {
  if (!options_.Quiet) std::fprintf(stderr, "simproc: %s\n", text.c_str());
}

void Simulator::Event(const std::string& text) {
  log_.Event(text);
  Status(text);
}

bool Simulator::Start() {
  if (!options_.Log.empty() && !log_.Open(options_.Log)) {
    Status("cannot open log " + options_.Log + ": " + std::strerror(errno));
    return false;
  }
  if (!options_.Control.empty()) {
    struct stat st;
    if (stat(options_.Control.c_str(), &st) != 0) {
      if (mkfifo(options_.Control.c_str(), 0600) != 0) {
        Status("cannot create FIFO " + options_.Control + ": " + std::strerror(errno));
        return false;
      }
      createdFifo_ = true;
    } else if (!S_ISFIFO(st.st_mode)) {
      Status(options_.Control + " exists and is not a FIFO");
      return false;
    }
    controlRead_ = open(options_.Control.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (controlRead_ >= 0) controlKeep_ = open(options_.Control.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (controlRead_ < 0 || controlKeep_ < 0) {
      Status("cannot open FIFO " + options_.Control + ": " + std::strerror(errno));
      return false;
    }
  }
  return LinkPort();
}

bool Simulator::LinkPort() {
  std::string error;
  if (!OpenPtyLink(pty_, options_.Link, error)) {
    Event("cannot link the port: " + error);
    return false;
  }
  outQueue_.clear();
  received_ = LineAssembler();
  Event(options_.Link + " -> " + pty_.SlaveName);
  return true;
}

void Simulator::Vanish() {
  if (!PtyIsOpen(pty_)) return;
  ClosePtyLink(pty_, options_.Link);
  if (!outQueue_.empty()) Event("dropped " + std::to_string(outQueue_.size()) + " unsent bytes");
  outQueue_.clear();
  Event("port vanished");
}

void Simulator::Enqueue(const std::string& bytes) {
  if (!PtyIsOpen(pty_)) {
    Event("no port: " + std::to_string(bytes.size()) + " bytes not sent");
    return;
  }
  outQueue_ += bytes;
  WriteQueued();
}

void Simulator::WriteQueued() {
  while (!outQueue_.empty()) {
    const ssize_t n = write(pty_.Master, outQueue_.data(), outQueue_.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      if (errno != EAGAIN) Event(std::string("write failed: ") + std::strerror(errno));
      return;  // the rest goes when poll reports room
    }
    log_.Bytes("TX", outQueue_.data(), static_cast<std::size_t>(n));
    outQueue_.erase(0, static_cast<std::size_t>(n));
  }
}

void Simulator::ReadPort() {
  char data[4096];
  for (;;) {
    const ssize_t n = read(pty_.Master, data, sizeof data);
    if (n > 0) {
      log_.Bytes("RX", data, static_cast<std::size_t>(n));
      received_.Feed(data, static_cast<std::size_t>(n), [this](const std::string& line) {
        const std::string reply = ReplyTo(line);
        if (answering_ && !reply.empty()) Enqueue(reply + "\r\n");
      });
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno == EAGAIN) return;
    // Cannot happen while we hold the slave open; giving the port up is
    // better than polling a dead descriptor in a tight loop.
    Event(std::string("terminal failed: ") + (n == 0 ? "end of file" : std::strerror(errno)));
    Vanish();
    return;
  }
}

void Simulator::ReadControl() {
  char data[4096];
  for (;;) {
    const ssize_t n = read(controlRead_, data, sizeof data);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    controlPending_.append(data, static_cast<std::size_t>(n));
  }
  std::size_t end;
  while (!quit_ && (end = controlPending_.find('\n')) != std::string::npos) {
    std::string command = controlPending_.substr(0, end);
    controlPending_.erase(0, end + 1);
    while (!command.empty() && command.back() == '\r') command.pop_back();
    if (!command.empty()) Execute(command);
  }
}

void Simulator::Execute(const std::string& command) {
  log_.Event("control: " + command);
  const std::size_t space = command.find(' ');
  const std::string verb = command.substr(0, space);
  const std::string rest = space == std::string::npos ? std::string() : command.substr(space + 1);
  const long count = std::strtol(rest.c_str(), nullptr, 10);

  if (verb == "send") {
    Enqueue(rest + "\r\n");
  } else if (verb == "partial") {
    Enqueue(rest);
  } else if (verb == "raw") {
    std::string bytes;
    if (ParseHex(rest, bytes)) Enqueue(bytes);
    else Event("bad hex: " + rest);
  } else if (verb == "burst" && count > 0) {
    Enqueue(BurstLines(count));
  } else if (verb == "noise" && count > 0) {
    const std::size_t seedAt = rest.find(' ');
    const unsigned long seed = seedAt == std::string::npos ? 1 : std::strtoul(rest.c_str() + seedAt, nullptr, 10);
    Enqueue(NoiseBytes(static_cast<std::size_t>(count), static_cast<std::uint32_t>(seed)));
  } else if (verb == "answer" && (rest == "on" || rest == "off")) {
    answering_ = rest == "on";
  } else if (verb == "vanish") {
    Vanish();
  } else if (verb == "return") {
    if (!PtyIsOpen(pty_)) LinkPort();
  } else if (verb == "quit") {
    quit_ = true;
  } else {
    Event("unknown control command: " + command);
  }
}

int Simulator::Run() {
  sigset_t waitMask;
  sigemptyset(&waitMask);
  while (!g_stop && !quit_) {
    pollfd fds[2];
    nfds_t count = 0;
    int portIndex = -1;
    int controlIndex = -1;
    if (PtyIsOpen(pty_)) {
      portIndex = static_cast<int>(count);
      fds[count++] = {pty_.Master, static_cast<short>(POLLIN | (outQueue_.empty() ? 0 : POLLOUT)), 0};
    }
    if (controlRead_ >= 0) {
      controlIndex = static_cast<int>(count);
      fds[count++] = {controlRead_, POLLIN, 0};
    }
    // The stop signals are blocked everywhere but here, so one that arrives
    // between the test of g_stop and the wait still ends the wait.
    if (ppoll(fds, count, nullptr, &waitMask) < 0) {
      if (errno == EINTR) continue;
      Event(std::string("poll failed: ") + std::strerror(errno));
      return 1;
    }
    if (portIndex >= 0) {
      const short revents = fds[portIndex].revents;
      if (revents & (POLLIN | POLLHUP | POLLERR)) ReadPort();
      if ((revents & POLLOUT) && PtyIsOpen(pty_)) WriteQueued();
    }
    if (controlIndex >= 0 && (fds[controlIndex].revents & POLLIN)) ReadControl();
  }
  return 0;
}

void Simulator::Shutdown() {
  if (PtyIsOpen(pty_)) {
    ClosePtyLink(pty_, options_.Link);
    log_.Event("stopped");
  }
  if (controlRead_ >= 0) close(controlRead_);
  if (controlKeep_ >= 0) close(controlKeep_);
  controlRead_ = controlKeep_ = -1;
  if (createdFifo_) unlink(options_.Control.c_str());
  createdFifo_ = false;
}

bool ParseOptions(int argc, char** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      std::exit(0);
    } else if (arg == "--quiet") {
      options.Quiet = true;
    } else if (arg == "--link" && hasValue) {
      options.Link = argv[++i];
    } else if (arg == "--log" && hasValue) {
      options.Log = argv[++i];
    } else if (arg == "--control" && hasValue) {
      options.Control = argv[++i];
    } else {
      std::fprintf(stderr, "simproc: bad argument '%s'\n", arg.c_str());
      return false;
    }
  }
  return !options.Link.empty();
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!ParseOptions(argc, argv, options)) {
    std::fputs(kUsage, stderr);
    return 2;
  }

  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGTERM);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGHUP);
  sigprocmask(SIG_BLOCK, &stopSignals, nullptr);
  struct sigaction stop = {};
  stop.sa_handler = OnStopSignal;
  sigemptyset(&stop.sa_mask);
  sigaction(SIGTERM, &stop, nullptr);
  sigaction(SIGINT, &stop, nullptr);
  sigaction(SIGHUP, &stop, nullptr);
  std::signal(SIGPIPE, SIG_IGN);

  Simulator simulator(options);
  if (!simulator.Start()) return 1;
  return simulator.Run();
}
