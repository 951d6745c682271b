#include "Replies.h"

#include <cctype>
#include <cstdlib>
#include <random>
#include <sstream>

void LineAssembler::Feed(const char* data, std::size_t count,
                         const std::function<void(const std::string&)>& onLine) {
  for (std::size_t i = 0; i < count; ++i) {
    const char c = data[i];
    if (c == '\n') {
      while (!pending_.empty() && pending_.back() == '\r') pending_.pop_back();
      onLine(pending_);
      pending_.clear();
      continue;
    }
    pending_ += c;
    if (pending_.size() == MaxLine) {
      onLine(pending_);
      pending_.clear();
    }
  }
}

namespace {

// A decimal field of the key command: digits only, no sign, no leading zero.
bool ParseField(const std::string& text, long& value) {
  if (text.empty() || text.size() > 3) return false;
  for (char c : text) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
  }
  if (text.size() > 1 && text[0] == '0') return false;
  value = std::strtol(text.c_str(), nullptr, 10);
  return true;
}

bool IsKeyCommand(const std::string& line) {
  // Exactly four fields separated by single spaces.
  std::string fields[4];
  std::size_t field = 0;
  for (char c : line) {
    if (c == ' ') {
      if (++field == 4) return false;
    } else {
      fields[field] += c;
    }
  }
  if (field != 3) return false;
  long zone, fixed, action, code;
  return ParseField(fields[0], zone) && ParseField(fields[1], fixed) &&
         ParseField(fields[2], action) && ParseField(fields[3], code) &&
         (zone == 1 || zone == 2) && fixed == 17 && (action == 1 || action == 2) && code < 100;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::string ReplyTo(const std::string& line) {
  if (line.empty()) return std::string();
  return (IsKeyCommand(line) ? "OK " : "ERR ") + line;
}

bool ParseHex(const std::string& text, std::string& bytes) {
  bytes.clear();
  int high = -1;
  for (char c : text) {
    if (c == ' ' || c == '\t') {
      if (high >= 0) return false;  // a lone digit
      continue;
    }
    const int digit = HexDigit(c);
    if (digit < 0) return false;
    if (high < 0) {
      high = digit;
    } else {
      bytes += static_cast<char>(high * 16 + digit);
      high = -1;
    }
  }
  return high < 0;
}

std::string NoiseBytes(std::size_t count, std::uint32_t seed) {
  // The engine's output is fixed by the language standard; a distribution's
  // is not, so the bytes are taken from it directly.
  std::mt19937 rng(seed);
  std::string bytes;
  bytes.reserve(count);
  for (std::size_t i = 0; i < count; ++i) bytes += static_cast<char>(rng() & 0xff);
  return bytes;
}

std::string BurstLines(long count) {
  std::ostringstream out;
  for (long i = 1; i <= count; ++i) out << "BURST " << i << "\r\n";
  return out.str();
}
