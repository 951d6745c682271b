#include "link/StreamGathering.h"

#include <utility>

namespace {

bool WithinInterval(const StreamGathering& g, std::uint32_t now) {
  return g.SentBefore && now - g.LastSent < GatherIntervalMs;
}

// All or nothing: the room is made before anything moves, so a failure
// leaves every held line held and `sent` as it was.
void SendHeld(StreamGathering& g, std::string* line, std::vector<std::string>& sent) {
  sent.reserve(sent.size() + g.Held.size() + (line ? 1 : 0));
  for (std::string& held : g.Held) sent.push_back(std::move(held));
  g.Held.clear();
  if (line) sent.push_back(std::move(*line));
}

}  // namespace

bool GatherStreamedLine(StreamGathering& g, const char* text, std::uint32_t now, bool joining,
                        std::vector<std::string>& sent) {
  const bool streams = g.LineBefore && now - g.LastLine < StreamGapMs;
  const bool hold = !joining && streams && WithinInterval(g, now);
  std::string line(text);
  if (hold) {
    g.Held.push_back(std::move(line));
  } else {
    SendHeld(g, &line, sent);
    if (!joining) {
      g.SentBefore = true;
      g.LastSent = now;
    }
  }
  g.LineBefore = true;
  g.LastLine = now;
  return hold;
}

void SendLineWithHeld(StreamGathering& g, const char* text, std::vector<std::string>& sent) {
  std::string line(text);
  SendHeld(g, &line, sent);
}

std::uint32_t SendDueLines(StreamGathering& g, std::uint32_t now, bool all,
                           std::vector<std::string>& sent) {
  if (g.Held.empty()) return NothingHeld;
  if (!all && WithinInterval(g, now)) return GatherIntervalMs - (now - g.LastSent);
  SendHeld(g, nullptr, sent);
  g.SentBefore = true;
  g.LastSent = now;
  return NothingHeld;
}

std::vector<std::string> TakeHeldLines(StreamGathering& g) {
  std::vector<std::string> held;
  held.swap(g.Held);
  return held;
}
