// libFuzzer target for the gathering of streamed lines. The input is a run of
// the hand-over (link/LinkReports.cpp) with a clock that does anything: each
// byte is one event and how far the clock moves before it, small steps
// mostly, now and then a jump forward or back, across the wrap or anywhere.
// The events are those the hand-over meets: the receiver's lines, joining
// lines on their way or not, its looks and its end, a line of the window's
// own, a line never held, and the unit taking what went. Whatever the clock
// does, no line may be lost or reordered, and none held longer than the
// interval as of any call of the rule; the wait a look answers is exact.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <deque>
#include <string>
#include <vector>

#include "link/StreamGathering.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 4) return 0;
  // The clock starts anywhere, the wrap included.
  std::uint32_t now = data[0] | data[1] << 8 | data[2] << 16 | static_cast<std::uint32_t>(data[3]) << 24;
  StreamGathering g;
  std::vector<std::string> onItsWay;    // what went, not yet taken by the unit
  std::deque<std::uint32_t> heldSince;  // when each held line came
  int made = 0, gone = 0;
  // Lines that leave the rule must be the next ones made, in order.
  const auto went = [&gone](const std::vector<std::string>& lines, size_t from) {
    for (size_t i = from; i < lines.size(); ++i) Check(lines[i] == std::to_string(gone++));
  };
  // The last event of every run is the receiver's end.
  for (size_t at = 4; at <= size; ++at) {
    const uint8_t event = at < size ? data[at] : 4;
    const unsigned step = event >> 3;
    const bool more = at + 1 < size;
    if (step < 24) {
      now += step * 5;  // 0 to 115 ms: across the gap and the interval
    } else if (step < 28 && more) {
      now += data[++at] * 997u;  // a pause of up to four minutes
    } else if (step < 30 && more) {
      now -= data[++at];  // the clock steps back
    } else if (step == 30) {
      now += 0x80000000u;
    } else if (more) {
      now = now * 2654435761u + data[++at];  // anywhere
    }
    const size_t before = onItsWay.size();
    const std::string line = std::to_string(made);
    switch (event & 7) {
      case 0: case 1: case 2:  // the receiver's line
        ++made;
        if (GatherStreamedLine(g, line.c_str(), now, !onItsWay.empty(), onItsWay)) heldSince.push_back(now);
        break;
      case 3: case 4: {  // the receiver's look, or its end
        const std::uint32_t wait = SendDueLines(g, now, (event & 7) == 4, onItsWay);
        if (wait == NothingHeld) break;
        Check(wait >= 1 && wait <= GatherIntervalMs && (event & 7) == 3);
        // Still held a millisecond before the wait is up, gone when it is.
        StreamGathering probe = g;
        std::vector<std::string> sent;
        Check(SendDueLines(probe, now + wait - 1, false, sent) == 1 && sent.empty());
        Check(SendDueLines(probe, now + wait, false, sent) == NothingHeld && sent.size() == g.Held.size());
        break;
      }
      case 5: went(TakeHeldLines(g), 0); break;  // a line of the window's own
      case 6: onItsWay.clear(); continue;        // the unit takes what went
      case 7: ++made; SendLineWithHeld(g, line.c_str(), onItsWay); break;
    }
    went(onItsWay, before);
    if (g.Held.empty()) heldSince.clear();
    // Held: the lines after those gone, none behind lines on their way,
    // none older than the interval.
    Check(g.Held.size() == heldSince.size() && static_cast<int>(g.Held.size()) == made - gone);
    Check(g.Held.empty() || onItsWay.empty());
    for (size_t i = 0; i < g.Held.size(); ++i) {
      Check(g.Held[i] == std::to_string(gone + static_cast<int>(i)));
      Check(static_cast<std::int32_t>(now - heldSince[i]) < static_cast<std::int32_t>(GatherIntervalMs));
    }
  }
  Check(gone == made);
  return 0;
}
