#include "link/StreamGathering.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

constexpr std::uint32_t I = GatherIntervalMs, G = StreamGapMs;

// One step of the hand-over: a line of the stream ('L'), one joining lines on
// their way ('J'), one never held ('N'), the receiver's look ('S') or its end
// ('E'), a line of the window's own ('W'); at a time after the case's start.
struct Step {
  char What;
  std::uint32_t At;
};

struct GatherCase {
  const char* Name;
  std::vector<Step> Steps;
  // Per step: the lines that went ("0 1"), "held", the wait of a look
  // ("wait 97"), or "-" for a look that found nothing held.
  std::vector<std::string> Outcomes;
};

const GatherCase Cases[] = {
    {"the first line goes at once", {{'L', 0}}, {"0"}},
    {"a stream waits out the interval and goes together",
     {{'L', 0}, {'L', 1}, {'L', 2}, {'S', 3}, {'S', I - 1}, {'S', I}, {'S', I + 1}},
     {"0", "held", "held", "wait 97", "wait 1", "1 2", "-"}},
    {"the interval runs from the last lines sent, not the last line",
     {{'L', 0}, {'L', 50}, {'L', I - 1}, {'L', I}, {'L', I + 10}, {'S', 2 * I - 1}, {'S', 2 * I}},
     {"0", "held", "held", "1 2 3", "held", "wait 1", "4"}},
    {"a line after the gap trickles and takes the held ones along",
     {{'L', 0}, {'L', 10}, {'L', 10 + G - 1}, {'L', 10 + 2 * G - 1}},
     {"0", "held", "held", "1 2 3"}},
    {"lines that went restart the interval",
     {{'L', 0}, {'L', 10}, {'L', 60}, {'S', I}, {'L', I + 10}, {'S', 2 * I - 1}, {'S', 2 * I}},
     {"0", "held", "held", "1 2", "held", "wait 1", "3"}},
    {"the receiver's end sends what is held", {{'L', 0}, {'L', 10}, {'E', 11}, {'E', 12}},
     {"0", "held", "1", "-"}},
    {"a line of the window's own takes the held ones first",
     {{'L', 0}, {'L', 10}, {'L', 20}, {'W', 21}, {'S', 22}, {'L', 30}},
     {"0", "held", "held", "1 2", "-", "held"}},
    {"a line joining lines on their way is never held, and the interval runs on",
     {{'L', 0}, {'J', 10}, {'L', 20}, {'S', I}},
     {"0", "1", "held", "2"}},
    {"a line never held takes the held ones, the stream's clock untouched",
     {{'L', 0}, {'L', 10}, {'N', 20}, {'L', 10 + G}},
     {"0", "held", "1 2", "3"}},
    {"a clock stepping back lets held lines go at once",
     {{'L', 1000}, {'L', 1010}, {'S', 999}, {'L', 998}},
     {"0", "held", "1", "2"}},
};

// Plays one case from the clock reading `start`, numbering the lines in the
// order they come.
std::vector<std::string> Play(const GatherCase& c, std::uint32_t start) {
  StreamGathering g;
  std::vector<std::string> outcomes;
  int made = 0;
  for (const Step& step : c.Steps) {
    const std::uint32_t now = start + step.At;
    const std::string line = std::to_string(made);
    std::vector<std::string> sent;
    std::string outcome;
    if (step.What == 'L' || step.What == 'J') {
      ++made;
      if (GatherStreamedLine(g, line.c_str(), now, step.What == 'J', sent)) outcome = "held";
    } else if (step.What == 'N') {
      ++made;
      SendLineWithHeld(g, line.c_str(), sent);
    } else if (step.What == 'W') {
      sent = TakeHeldLines(g);
    } else if (const std::uint32_t wait = SendDueLines(g, now, step.What == 'E', sent); wait != NothingHeld) {
      outcome = "wait " + std::to_string(wait);
    }
    for (const std::string& l : sent) outcome += (outcome.empty() ? "" : " ") + l;
    outcomes.push_back(outcome.empty() ? "-" : outcome);
  }
  return outcomes;
}

TEST(StreamGathering, HoldsAStreamForOneIntervalAndKeepsTheOrder) {
  // From zero, across the clock's wrap, and across its sign bit.
  const std::uint32_t starts[] = {0, 0xFFFFFFFFu - 40, 0x7FFFFFFFu - 40};
  for (const GatherCase& c : Cases) {
    for (std::uint32_t start : starts) EXPECT_EQ(Play(c, start), c.Outcomes) << c.Name << " from " << start;
  }
}

}  // namespace
