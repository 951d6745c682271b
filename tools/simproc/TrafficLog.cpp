#include "TrafficLog.h"

#include <ctime>

double MonotonicMs() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return ts.tv_sec * 1000.0 + ts.tv_nsec / 1e6;
}

TrafficLog::~TrafficLog() {
  if (file_) std::fclose(file_);
}

bool TrafficLog::Open(const std::string& path) {
  file_ = std::fopen(path.c_str(), "a");
  return file_ != nullptr;
}

void TrafficLog::Bytes(const char* direction, const char* data, std::size_t count) {
  if (!file_) return;
  const double now = MonotonicMs();
  for (std::size_t row = 0; row < count || (row == 0 && count == 0); row += 16) {
    // The first row gives the size of the whole read or write, later rows
    // their offset into it.
    if (row == 0) std::fprintf(file_, "%.3f %s %5zu ", now, direction, count);
    else std::fprintf(file_, "%.3f %s +%4zu ", now, direction, row);
    std::string printable;
    for (std::size_t i = row; i < row + 16; ++i) {
      if (i < count) {
        const unsigned char b = static_cast<unsigned char>(data[i]);
        std::fprintf(file_, " %02x", b);
        printable += (b >= 0x20 && b < 0x7f) ? static_cast<char>(b) : '.';
      } else {
        std::fputs("   ", file_);
      }
    }
    std::fprintf(file_, "  |%s|\n", printable.c_str());
    if (count == 0) break;
  }
  std::fflush(file_);
}

void TrafficLog::Event(const std::string& text) {
  if (!file_) return;
  std::fprintf(file_, "%.3f -- %s\n", MonotonicMs(), text.c_str());
  std::fflush(file_);
}
