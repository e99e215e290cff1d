#include "platform/terminalmodes.h"

#include <fcntl.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

namespace {

// Written on the main thread before the handlers are installed, read by
// them afterwards; keyFd doubles as the "saved modes are valid" flag.
volatile sig_atomic_t keyFd = -1;
volatile sig_atomic_t rawApplied = 0;
termios savedModes;
termios rawModes;

}  // namespace

int terminalOpenKeyDevice() { return open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC); }

bool terminalIsTerminal(int fd) { return fd >= 0 && isatty(fd) == 1; }

bool terminalEnterRawMode(int fd) {
  termios current;
  if (fd < 0 || tcgetattr(fd, &current) != 0) return false;
  if (keyFd != fd) {
    savedModes = current;
    rawModes = current;
    rawModes.c_lflag &= ~(ICANON | ECHO | ECHONL | ISIG | IEXTEN);
    rawModes.c_iflag &= ~(IXON | IXOFF | ICRNL | INLCR | IGNCR | ISTRIP | BRKINT);
    rawModes.c_cc[VMIN] = 1;
    rawModes.c_cc[VTIME] = 0;
    keyFd = fd;
  }
  // From the background tcsetattr would stop the process (SIGTTOU); raw mode
  // comes once the job is in front (terminalReapplyRawMode).
  if (terminalInBackground(fd)) return true;
  if (tcsetattr(fd, TCSANOW, &rawModes) != 0) return false;
  rawApplied = 1;
  return true;
}

void terminalRestoreModes() {
  int fd = keyFd;
  if (fd < 0 || !rawApplied) return;
  tcsetattr(fd, TCSANOW, &savedModes);
  rawApplied = 0;
}

void terminalReapplyRawMode() {
  int fd = keyFd;
  if (fd < 0) return;
  // From the background tcsetattr would stop the process again (SIGTTOU).
  if (!terminalInFront(fd)) return;
  if (tcsetattr(fd, TCSANOW, &rawModes) == 0) rawApplied = 1;
}

bool terminalInFront(int fd) { return tcgetpgrp(fd) == getpgrp(); }

bool terminalInBackground(int fd) {
  const pid_t foreground = tcgetpgrp(fd);
  return foreground > 0 && foreground != getpgrp();
}

void terminalCloseKeyDevice(int fd) {
  if (fd < 0) return;
  if (keyFd == fd) {
    keyFd = -1;
    rawApplied = 0;
  }
  close(fd);
}

void terminalDiscardInput(int fd) {
  // In the background the input is the shell's, and tcflush would stop the
  // process (SIGTTOU).
  if (fd >= 0 && !terminalInBackground(fd)) tcflush(fd, TCIFLUSH);
}
