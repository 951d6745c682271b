// When the receiver's lines wait to go together, apart from Win32 so it can
// be tested and fuzzed anywhere.
//
// The hand-over (link/LinkReports.cpp) owns the one instance, under its lock,
// and asks it about every line the receiver hands over, at the receiver's
// every pause, and for the held lines in front of a line of the window's own.
// What goes is appended to a list the caller gives: the lines the
// hand-over's unit takes to the pane.
//
// The rule: a line that comes less than StreamGapMs after the line before it
// streams; a streamed line that also comes less than GatherIntervalMs after
// the last lines went is held until that interval is up, and the lines held
// then go together. Any other line goes at once and takes the held lines in
// front of it. A line never waits behind lines already on their way: it
// joins them. Times are milliseconds of any clock that steps once a
// millisecond; every difference is taken modulo 2^32, so the clock may wrap
// around, and a clock that steps back only lets held lines go sooner.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// How long a streamed line may wait: a stream held that long goes to the
// pane a few lines an append, which costs little more than one line alone,
// and the pane still moves ten times a second (docs/performance.md, "Why
// 100 ms", has the figures).
constexpr std::uint32_t GatherIntervalMs = 100;
// Lines closer together than this stream: room for the gap the receiver's
// looks can put between two lines of a full-rate stream (docs/performance.md,
// "Why 60 ms").
constexpr std::uint32_t StreamGapMs = 60;
// What SendDueLines answers when nothing is held.
constexpr std::uint32_t NothingHeld = 0xFFFFFFFFu;

struct StreamGathering {
  std::vector<std::string> Held;  // oldest first
  // When lines last went by this rule, if they have yet.
  bool SentBefore = false;
  std::uint32_t LastSent = 0;
  // When the last streamed line came, if one has yet.
  bool LineBefore = false;
  std::uint32_t LastLine = 0;
};

// A line of the stream, come at `now`. Returns true when it is held;
// otherwise it is appended to `sent` behind the held lines, which go with it.
// `joining`: lines are on their way already (`sent` holds lines not yet
// taken), so the line joins them and the interval runs on.
bool GatherStreamedLine(StreamGathering& gathering, const char* text, std::uint32_t now,
                        bool joining, std::vector<std::string>& sent);

// A line that is never held (not of the stream): appended to `sent` behind
// the held lines, which go with it. The stream's clock is left alone.
void SendLineWithHeld(StreamGathering& gathering, const char* text, std::vector<std::string>& sent);

// The receiver's look at the clock: once the interval is up, or at once when
// `all` (the receiver ends), the held lines are appended to `sent`. Returns
// the milliseconds until the held lines are due (1 to GatherIntervalMs), or
// NothingHeld.
std::uint32_t SendDueLines(StreamGathering& gathering, std::uint32_t now, bool all,
                           std::vector<std::string>& sent);

// The held lines, oldest first, for a line of the window's own to follow;
// none is held afterwards. Never fails.
std::vector<std::string> TakeHeldLines(StreamGathering& gathering);
