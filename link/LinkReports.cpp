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
// Lines is guarded by Lock, which is never held while posting or reporting.
struct THandOver {
  std::mutex Lock;
  std::vector<std::string> Lines;  // oldest first
  // A unit that will take Lines is in the mailbox (or being posted).
  bool UnitOnItsWay = false;
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

void HandOverLine(const char* text) {
  THandOver& h = HandOver();
  bool post = false;
  {
    std::lock_guard<std::mutex> guard(h.Lock);
    h.Lines.emplace_back(text);
    if (!h.UnitOnItsWay) {
      h.UnitOnItsWay = true;
      post = true;
    }
  }
  if (!post) {
    // The unit waits in the mailbox; should its wake-up have been refused,
    // this asks again, as a post of its own would.
    WakeMailbox();
    return;
  }
  // Outside the lock: the ticket of a refused unit takes the lock when its
  // last owner goes, here at the latest.
  std::shared_ptr<HandOverTicket> ticket;
  try {
    ticket = std::make_shared<HandOverTicket>();
  } catch (...) {
    DropHandedOver();  // no unit can be made: as if the mailbox refused it
    throw;
  }
  PostToMainThread([ticket] { TakeHandedOverLines(*ticket); });
}
