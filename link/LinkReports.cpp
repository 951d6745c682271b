#include "link/LinkReports.h"

#include <string>

#include "framework/Mailbox.h"

namespace {

// Main thread only: installed, read and called there.
TLinkReports Reports;

}  // namespace

void InstallLinkReports(TLinkReports reports) { Reports = std::move(reports); }

void ReportLine(const char* text, bool show) {
  if (Reports.ShowLine) Reports.ShowLine(text, show);
}

void ReportPortMarks(DWORD port) {
  if (Reports.PortMarks) Reports.PortMarks(port);
}

void HandOverLine(const char* text) {
  PostToMainThread([line = std::string(text)] { ReportLine(line.c_str(), true); });
}
