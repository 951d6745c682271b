#include "support/PaneRecorder.h"

#include <utility>

namespace {

PaneRecorder* Current = nullptr;

// What the memo reads as an empty last line before it appends.
bool LastLineEmpty(HWND pane) {
  const LRESULT rows = SendMessageA(pane, EM_GETLINECOUNT, 0, 0);
  const LRESULT start = SendMessageA(pane, EM_LINEINDEX, static_cast<WPARAM>(rows - 1), 0);
  return SendMessageA(pane, EM_LINELENGTH, static_cast<WPARAM>(start), 0) == 0;
}

}  // namespace

std::vector<std::string> AppendedLines(const std::string& inserted, bool lastLineEmpty) {
  std::vector<std::string> lines;
  size_t at = 0;
  while (at < inserted.size()) {
    if (lastLineEmpty) {
      const size_t end = inserted.find("\r\n", at);
      if (end == std::string::npos) {  // not an append of the memo's: taken whole
        lines.push_back(inserted.substr(at));
        break;
      }
      lines.push_back(inserted.substr(at, end - at));
      at = end + 2;
      continue;
    }
    if (inserted.compare(at, 2, "\r\n") == 0) at += 2;
    const size_t end = inserted.find("\r\n", at);
    const std::string line = inserted.substr(at, end == std::string::npos ? std::string::npos : end - at);
    lines.push_back(line);
    if (line.empty()) {
      lastLineEmpty = true;  // the break ended the line above
    } else {
      at = end == std::string::npos ? inserted.size() : end;
    }
  }
  return lines;
}

PaneRecorder::PaneRecorder(HWND pane, Sink sink, bool keepEvents)
    : pane_(pane), previous_(nullptr), sink_(std::move(sink)), keep_events_(keepEvents) {
  Current = this;
  previous_ = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(pane_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&PaneRecorder::Proc)));
}

PaneRecorder::~PaneRecorder() {
  SetWindowLongPtrA(pane_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous_));
  Current = nullptr;
}

LRESULT CALLBACK PaneRecorder::Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  PaneRecorder* self = Current;
  const char* text = msg == EM_REPLACESEL ? reinterpret_cast<const char*>(lParam) : nullptr;
  if (self->keep_events_) {
    if (msg == WM_SETREDRAW) self->events_.push_back(wParam ? "redraw on" : "redraw off");
    if (text && *text == '\0') self->events_.push_back("remove");
  }
  if (!text || *text == '\0') return CallWindowProcA(self->previous_, hwnd, msg, wParam, lParam);

  const bool lastEmpty = LastLineEmpty(hwnd);
  const std::string inserted(text);
  const LRESULT result = CallWindowProcA(self->previous_, hwnd, msg, wParam, lParam);
  LARGE_INTEGER at;
  QueryPerformanceCounter(&at);
  const std::vector<std::string> lines = AppendedLines(inserted, lastEmpty);
  ++self->appends_;
  if (self->keep_events_) self->events_.push_back("append " + std::to_string(lines.size()));
  if (self->sink_) {
    for (const std::string& line : lines) self->sink_(line, at.QuadPart);
  }
  return result;
}
