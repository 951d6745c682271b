#include "link/LinkReports.h"

#include <memory>
#include <mutex>
#include <utility>

#include "framework/Mailbox.h"

namespace {

// Main thread only: installed, read and called there. Never destroyed, as
// HandOver() below: whatever runs at the process's end finds it whole.
TLinkReports& Reports() {
  static TLinkReports* const reports = new TLinkReports;
  return *reports;
}

// The hand-over. Lines are gathered here rather than posted one unit each:
// the unit that takes them runs on the main thread whenever the mailbox gets
// to it and reports every line gathered until then, so however many lines
// arrive while the main thread is busy, they reach the pane as one report.
// The pane adds that report's lines in one edit of the control and never
// holds a line back itself: every line is in the pane when its report
// returns, so the window's own lines (echoes) fall exactly where the main
// thread handled them, and nothing the window does can come between a line's
// report and its append.
//
// The receiver's lines may also be held back for a short while when they
// stream in (HandOverStreamedLine): they then wait in Lines with no unit on
// its way, until the receiver sends them (SendHeldLines) or the window's
// thread takes them in front of a line of its own (ReportLine).
//
// Lines is guarded by Lock, which is never held while posting or reporting.
struct THandOver {
  std::mutex Lock;
  std::vector<std::string> Lines;  // oldest first
  // A unit that will take Lines is in the mailbox (or being posted).
  bool UnitOnItsWay = false;
  // When the receiver last sent lines on their way (HandOverClock), if it
  // has yet.
  bool SentBefore = false;
  DWORD LastSent = 0;
  // When the receiver handed over its last line, if it has yet.
  bool LineBefore = false;
  DWORD LastLine = 0;
};

// Never destroyed: a unit still in the mailbox's queue when the process
// ends is freed with that queue, maybe after this file's objects would be
// gone, and its ticket comes here.
THandOver& HandOver() {
  static THandOver* const handOver = new THandOver;
  return *handOver;
}

// The lines waiting go, and the next line posts a unit again.
void DropHandedOver() {
  THandOver& h = HandOver();
  std::vector<std::string> dropped;  // freed outside the lock
  std::lock_guard<std::mutex> guard(h.Lock);
  dropped.swap(h.Lines);
  h.UnitOnItsWay = false;
}

// Owned by the unit on its way. If the unit is freed without having run
// (the mailbox refused it, or closed with it queued, or it could not be
// made), the lines it was to take are dropped with it; otherwise a lost
// unit would leave every later line waiting for ever.
struct HandOverTicket {
  bool Ran = false;
  ~HandOverTicket() {
    if (!Ran) DropHandedOver();
  }
};

void TakeHandedOverLines(HandOverTicket& ticket) {
  ticket.Ran = true;
  THandOver& h = HandOver();
  std::vector<std::string> lines;
  {
    std::lock_guard<std::mutex> guard(h.Lock);
    lines.swap(h.Lines);
    h.UnitOnItsWay = false;
  }
  if (!lines.empty()) ReportReceived(lines);
}

}  // namespace

void InstallLinkReports(TLinkReports reports) { Reports() = std::move(reports); }

void ReportLine(const char* text, bool show) {
  // Lines held back came before this one: had they gone at once, they
  // would be in the pane by now. Lines whose unit is on its way stay with
  // it, as they always did.
  std::vector<std::string> held;
  {
    THandOver& h = HandOver();
    std::lock_guard<std::mutex> guard(h.Lock);
    if (!h.UnitOnItsWay) held.swap(h.Lines);
  }
  if (!held.empty()) ReportReceived(held);
  if (Reports().ShowLine) Reports().ShowLine(text, show);
}

void ReportReceived(const std::vector<std::string>& lines) {
  if (Reports().ShowReceived) Reports().ShowReceived(lines);
}

void ReportPortMarks(DWORD port) {
  if (Reports().PortMarks) Reports().PortMarks(port);
}

void ReportNoPort() {
  if (Reports().NoPort) Reports().NoPort();
}

namespace {

// Posts the unit that takes Lines; UnitOnItsWay was set under the lock.
// Outside the lock: the ticket of a refused unit takes the lock when its
// last owner goes, here at the latest.
void PostHandOverUnit() {
  std::shared_ptr<HandOverTicket> ticket;
  try {
    ticket = std::make_shared<HandOverTicket>();
  } catch (...) {
    DropHandedOver();  // no unit can be made: as if the mailbox refused it
    throw;
  }
  PostToMainThread([ticket] { TakeHandedOverLines(*ticket); });
}

// What a line handed over leads to.
enum class TAfterHandOver { Post, Wake, Hold };

// Lock held. The line joins Lines; a unit goes with them unless one is on
// its way already, or unless `hold` and the lines are to wait.
TAfterHandOver AddLine(THandOver& h, const char* text, bool hold) {
  h.Lines.emplace_back(text);
  if (h.UnitOnItsWay) return TAfterHandOver::Wake;
  if (hold) return TAfterHandOver::Hold;
  h.UnitOnItsWay = true;
  return TAfterHandOver::Post;
}

void Follow(TAfterHandOver after) {
  if (after == TAfterHandOver::Post) PostHandOverUnit();
  // The unit waits in the mailbox; should its wake-up have been refused,
  // this asks again, as a post of its own would.
  if (after == TAfterHandOver::Wake) WakeMailbox();
}

// Lock held. Lines sent now come in the receiver's interval.
bool WithinInterval(const THandOver& h, DWORD now) {
  return h.SentBefore && now - h.LastSent < HandOverGatherMs;
}

void NoteSent(THandOver& h, DWORD now) {
  h.SentBefore = true;
  h.LastSent = now;
}

}  // namespace

void HandOverLine(const char* text) {
  THandOver& h = HandOver();
  TAfterHandOver after;
  {
    std::lock_guard<std::mutex> guard(h.Lock);
    after = AddLine(h, text, false);
  }
  Follow(after);
}

void HandOverStreamedLine(const char* text, DWORD now) {
  THandOver& h = HandOver();
  TAfterHandOver after;
  {
    std::lock_guard<std::mutex> guard(h.Lock);
    const bool streams = h.LineBefore && now - h.LastLine < HandOverStreamGapMs;
    h.LineBefore = true;
    h.LastLine = now;
    after = AddLine(h, text, streams && WithinInterval(h, now));
    if (after == TAfterHandOver::Post) NoteSent(h, now);
  }
  Follow(after);
}

DWORD SendHeldLines(DWORD now, bool all) {
  THandOver& h = HandOver();
  TAfterHandOver after = TAfterHandOver::Post;
  {
    std::lock_guard<std::mutex> guard(h.Lock);
    if (h.Lines.empty()) return INFINITE;
    if (h.UnitOnItsWay) {
      after = TAfterHandOver::Wake;  // nothing is held: they go with the unit
    } else if (!all && WithinInterval(h, now)) {
      return HandOverGatherMs - (now - h.LastSent);
    } else {
      h.UnitOnItsWay = true;
      NoteSent(h, now);
    }
  }
  Follow(after);
  return INFINITE;
}

DWORD HandOverClock() {
  static const LONGLONG frequency = [] {
    // Documented never to fail since Windows XP; a millisecond clock stands
    // in should it all the same, rather than a division by nothing.
    LARGE_INTEGER f{};
    return QueryPerformanceFrequency(&f) && f.QuadPart > 0 ? f.QuadPart : 1000;
  }();
  LARGE_INTEGER count;
  QueryPerformanceCounter(&count);
  const LONGLONG c = count.QuadPart;
  return static_cast<DWORD>(c / frequency * 1000 + c % frequency * 1000 / frequency);
}
