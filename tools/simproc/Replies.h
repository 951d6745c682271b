// What the simulated processor says: its answers to received lines and the
// byte sequences the control commands ask for. No I/O here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

// Collects received bytes into lines ended by LF (a CR LF pair included);
// trailing CRs are stripped. Overlong lines are cut into pieces of at most
// MaxLine bytes so a stream without line feeds cannot grow without bound.
class LineAssembler {
 public:
  static constexpr std::size_t MaxLine = 4096;
  void Feed(const char* data, std::size_t count, const std::function<void(const std::string&)>& onLine);

 private:
  std::string pending_;
};

// "OK <line>" for a well-formed key command "<zone> 17 <action> <code>"
// (zone 1 or 2, action 1 or 2, code 0 to 99), "ERR <line>" for any other
// line; empty lines get no answer (empty result). No terminator.
std::string ReplyTo(const std::string& line);

// Hex digits in pairs, spaces allowed between bytes ("4f 4b 0d0a").
bool ParseHex(const std::string& text, std::string& bytes);

// count pseudo-random bytes, zeros and line feeds among them; the same
// seed always gives the same bytes.
std::string NoiseBytes(std::size_t count, std::uint32_t seed);

// count numbered lines "BURST 1" ... "BURST <count>", each ended by CR LF.
std::string BurstLines(long count);
