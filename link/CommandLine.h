// Text of the lines the program sends to the processor, apart from Win32 so
// the exact bytes can be tested anywhere. The writing itself (SendKeyCommand,
// SendLine, WritePort, PortReady) lives with the port on the window's thread.
#pragma once

#include <cstddef>
#include <cstdint>

// Written after every line, key command or typed line, as a write of its own.
constexpr char LineTerminator[] = "\r\n";

// Key codes from here up mark slots that send nothing.
constexpr std::int32_t FirstUnsentCode = 100;

// Size of the buffer a key command is formatted into.
constexpr std::size_t KeyCommandSize = 64;

// Formats the key command "%d 17 %d %d" (zone, action, code) into out, the
// action being 2 for a key's held command and 1 for its press and repeats.
// Returns false and leaves out empty when the code is one that is never
// sent. The terminator is not part of the text.
bool FormatKeyCommand(int zone, bool hold, std::int32_t code, char (&out)[KeyCommandSize]);
