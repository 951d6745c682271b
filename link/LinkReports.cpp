#include "link/LinkReports.h"

#include <memory>
#include <mutex>
#include <utility>

#include "framework/Mailbox.h"
#include "link/StreamGathering.h"

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
// stream in (HandOverStreamedLine): they then wait in Gathering, which
// decides when they go, until the receiver sends them (SendHeldLines) or the
// window's thread takes them in front of a line of its own (ReportLine).
//
// Both are guarded by Lock, which is never held while posting or reporting.
struct THandOver {
  std::mutex Lock;
  // The lines the unit on its way takes, oldest first; empty when none is.
  std::vector<std::string> Lines;
  // A unit that will take Lines is in the mailbox (or being posted). While
  // it is, nothing is held: lines join it.
  bool UnitOnItsWay = false;
  StreamGathering Gathering;
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
struct THandOverTicket {
  bool Ran = false;
  ~THandOverTicket() {
    if (!Ran) DropHandedOver();
  }
};

void TakeHandedOverLines(THandOverTicket& ticket) {
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
  // it; none is held then.
  std::vector<std::string> held;
  {
    THandOver& h = HandOver();
    std::lock_guard<std::mutex> guard(h.Lock);
    held = TakeHeldLines(h.Gathering);
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
  std::shared_ptr<THandOverTicket> ticket;
  try {
    ticket = std::make_shared<THandOverTicket>();
  } catch (...) {
    DropHandedOver();  // no unit can be made: as if the mailbox refused it
    throw;
  }
  PostToMainThread([ticket] { TakeHandedOverLines(*ticket); });
}

// What the mailbox needs once lines have gone on their way, or none have.
enum class TMailboxNeed { None, Unit, WakeUp };

// Lock held. Lines have joined Lines, or none has: a unit must take them
// unless one is on its way already.
TMailboxNeed NeedAfterSending(THandOver& h, bool sent) {
  if (!sent) return TMailboxNeed::None;
  if (h.UnitOnItsWay) return TMailboxNeed::WakeUp;
  h.UnitOnItsWay = true;
  return TMailboxNeed::Unit;
}

void MeetMailboxNeed(TMailboxNeed need) {
  if (need == TMailboxNeed::Unit) PostHandOverUnit();
  // The unit waits in the mailbox; should its wake-up have been refused,
  // this asks again, as a post of its own would.
  if (need == TMailboxNeed::WakeUp) WakeMailbox();
}

}  // namespace

void HandOverLine(const char* text) {
  THandOver& h = HandOver();
  TMailboxNeed need;
  {
    std::lock_guard<std::mutex> guard(h.Lock);
    SendLineWithHeld(h.Gathering, text, h.Lines);
    need = NeedAfterSending(h, true);
  }
  MeetMailboxNeed(need);
}

void HandOverStreamedLine(const char* text, DWORD now) {
  THandOver& h = HandOver();
  TMailboxNeed need;
  {
    std::lock_guard<std::mutex> guard(h.Lock);
    const bool held = GatherStreamedLine(h.Gathering, text, now, h.UnitOnItsWay, h.Lines);
    need = NeedAfterSending(h, !held);
  }
  MeetMailboxNeed(need);
}

DWORD SendHeldLines(DWORD now, bool all) {
  THandOver& h = HandOver();
  TMailboxNeed need;
  DWORD due = INFINITE;
  {
    std::lock_guard<std::mutex> guard(h.Lock);
    const std::uint32_t wait = SendDueLines(h.Gathering, now, all, h.Lines);
    if (wait != NothingHeld) due = wait;
    // Lines a unit has yet to take (held ones that went now, or those of a
    // unit on its way) ask the mailbox again.
    need = NeedAfterSending(h, !h.Lines.empty());
  }
  MeetMailboxNeed(need);
  return due;
}
