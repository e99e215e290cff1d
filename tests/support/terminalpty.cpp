#include "tests/support/terminalpty.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

bool terminalOpenPty(int& master, int& slave, int columns, int rows) {
  master = slave = -1;
  int m = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (m < 0) return false;
  char name[128];
  if (grantpt(m) != 0 || unlockpt(m) != 0 || ptsname_r(m, name, sizeof name) != 0) {
    close(m);
    return false;
  }
  int s = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (s < 0) {
    close(m);
    return false;
  }
  winsize size = {};
  size.ws_col = static_cast<unsigned short>(columns);
  size.ws_row = static_cast<unsigned short>(rows);
  ioctl(s, TIOCSWINSZ, &size);
  master = m;
  slave = s;
  return true;
}
