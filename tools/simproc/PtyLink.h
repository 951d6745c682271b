// The simulated processor's end of the serial line: the master side of a
// pseudo-terminal, with a symbolic link naming its slave device so the
// program under test (or Wine's COM port mapping) can open it by a fixed path.
#pragma once

#include <string>

struct PtyLink {
  int Master = -1;  // non-blocking; the simulator reads and writes here
  // Held open by the simulator itself so the master never sees a hang-up
  // (and poll never spins) while no program has the port open.
  int Slave = -1;
  std::string SlaveName;
};

// Opens a raw pseudo-terminal and points linkPath at its slave, replacing a
// symbolic link already there (anything else at that path is an error).
bool OpenPtyLink(PtyLink& pty, const std::string& linkPath, std::string& error);

// Removes the link and closes both ends: a program that has the port open
// sees the device go away.
void ClosePtyLink(PtyLink& pty, const std::string& linkPath);

bool PtyIsOpen(const PtyLink& pty);
