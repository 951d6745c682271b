#include "support/PaneRecorder.h"

#include <utility>

namespace {

PaneRecorder* Current = nullptr;

}  // namespace

std::string AppendedLine(const char* inserted) {
  std::string line(inserted);
  if (line.compare(0, 2, "\r\n") == 0) {
    line.erase(0, 2);
  } else if (line.size() >= 2 && line.compare(line.size() - 2, 2, "\r\n") == 0) {
    line.erase(line.size() - 2);
  }
  return line;
}

PaneRecorder::PaneRecorder(HWND pane, Sink sink)
    : pane_(pane), previous_(nullptr), sink_(std::move(sink)) {
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
  const LRESULT result = CallWindowProcA(self->previous_, hwnd, msg, wParam, lParam);
  if (msg == EM_REPLACESEL && lParam != 0) {
    const char* text = reinterpret_cast<const char*>(lParam);
    if (*text != '\0') {
      LARGE_INTEGER at;
      QueryPerformanceCounter(&at);
      self->sink_(AppendedLine(text), at.QuadPart);
    }
  }
  return result;
}
