#include "app/PaneBound.h"

#include <cstring>
#include <vector>

namespace {

// Where each line begins, oldest first.
std::vector<std::size_t> LineStarts(const std::string& text) {
  std::vector<std::size_t> starts;
  if (text.empty()) return starts;
  starts.push_back(0);
  const char* const begin = text.data();
  const char* const end = begin + text.size();
  // A line feed that follows a carriage return ends a line.
  for (const char* at = begin + 1; at < end;) {
    const void* found = std::memchr(at, '\n', static_cast<std::size_t>(end - at));
    if (!found) break;
    const char* feed = static_cast<const char*>(found);
    if (feed[-1] == '\r') starts.push_back(static_cast<std::size_t>(feed + 1 - begin));
    at = feed + 1;
  }
  // After a final line break nothing follows: no line begins there.
  if (starts.back() == text.size()) starts.pop_back();
  return starts;
}

}  // namespace

std::size_t PaneLineCount(const std::string& text) { return LineStarts(text).size(); }

std::size_t PaneLineBreaks(const std::string& text) {
  std::size_t breaks = 0;
  for (std::size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at + 2)) {
    ++breaks;
  }
  return breaks;
}

std::size_t PaneTrimPoint(const std::string& text, const PaneBounds& bounds) {
  const std::vector<std::size_t> starts = LineStarts(text);
  if (starts.size() <= bounds.MaxLines && text.size() <= bounds.MaxChars) return 0;
  const std::size_t newest = starts.size() - 1;
  std::size_t first = starts.size() > bounds.KeptLines ? starts.size() - bounds.KeptLines : 0;
  if (first > newest) first = newest;  // keeping no lines at all keeps the newest
  while (first < newest && text.size() - starts[first] > bounds.KeptChars) ++first;
  return starts[first];
}
