#include "PtyLink.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace {

std::string SystemError(const char* what) { return std::string(what) + ": " + std::strerror(errno); }

bool ReplaceLink(const std::string& target, const std::string& linkPath, std::string& error) {
  struct stat st;
  if (lstat(linkPath.c_str(), &st) == 0 && !S_ISLNK(st.st_mode)) {
    error = linkPath + " exists and is not a symbolic link";
    return false;
  }
  // Link under a temporary name and rename over the old one, so the path
  // never points nowhere while a program might be opening it.
  const std::string temp = linkPath + ".simproc-" + std::to_string(getpid());
  unlink(temp.c_str());
  if (symlink(target.c_str(), temp.c_str()) != 0) {
    error = SystemError(("symlink " + temp).c_str());
    return false;
  }
  if (rename(temp.c_str(), linkPath.c_str()) != 0) {
    error = SystemError(("rename to " + linkPath).c_str());
    unlink(temp.c_str());
    return false;
  }
  return true;
}

}  // namespace

bool PtyIsOpen(const PtyLink& pty) { return pty.Master >= 0; }

bool OpenPtyLink(PtyLink& pty, const std::string& linkPath, std::string& error) {
  pty.Master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (pty.Master < 0) {
    error = SystemError("posix_openpt");
    return false;
  }
  const char* name = nullptr;
  if (grantpt(pty.Master) != 0 || unlockpt(pty.Master) != 0 || (name = ptsname(pty.Master)) == nullptr) {
    error = SystemError("pseudo-terminal set-up");
    ClosePtyLink(pty, std::string());
    return false;
  }
  pty.SlaveName = name;
  pty.Slave = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (pty.Slave < 0) {
    error = SystemError(("open " + pty.SlaveName).c_str());
    ClosePtyLink(pty, std::string());
    return false;
  }
  // Raw, no echo, 9600 8N1 as the program will set it anyway: bytes pass
  // through exactly both ways until the program sets its own mode.
  termios tio;
  if (tcgetattr(pty.Slave, &tio) == 0) {
    cfmakeraw(&tio);
    cfsetispeed(&tio, B9600);
    cfsetospeed(&tio, B9600);
    tcsetattr(pty.Slave, TCSANOW, &tio);
  }
  if (!ReplaceLink(pty.SlaveName, linkPath, error)) {
    ClosePtyLink(pty, std::string());
    return false;
  }
  return true;
}

void ClosePtyLink(PtyLink& pty, const std::string& linkPath) {
  if (!linkPath.empty()) {
    // Only remove the link if it is still ours.
    char target[4096];
    const ssize_t n = readlink(linkPath.c_str(), target, sizeof target - 1);
    if (n >= 0) {
      target[n] = '\0';
      if (pty.SlaveName == target) unlink(linkPath.c_str());
    }
  }
  if (pty.Slave >= 0) close(pty.Slave);
  if (pty.Master >= 0) close(pty.Master);
  pty.Slave = -1;
  pty.Master = -1;
  pty.SlaveName.clear();
}
