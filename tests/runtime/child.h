#pragma once
// Runs a piece of a test in a forked child, for code that may only run once
// per process (start-up sets the terminal up) or changes process state. The
// child runs in a session of its own on a pseudo-terminal, as a program
// started from a terminal does, so that start-up finds its keys.
#include <fcntl.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <string>

#include "tests/support/process.h"

struct childResult {
  int exitStatus = -1;  // the child's exit code, -1 when it did not exit normally
  std::string report;   // what the child wrote to its report
};

// body returns the exit code and appends any failed check to its report.
template <class Body>
childResult runInChild(Body body) {
  childResult result;
  int fds[2];
  if (pipe(fds) != 0) return result;
  const pid_t pid = startChild([&] {
    close(fds[0]);
    // The master stays open in the child until it ends, so the terminal never hangs up.
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    const char* name = master >= 0 && grantpt(master) == 0 && unlockpt(master) == 0 ? ptsname(master) : nullptr;
    const int slave = name != nullptr && setsid() >= 0 ? open(name, O_RDWR | O_NOCTTY) : -1;
    if (slave < 0 || ioctl(slave, TIOCSCTTY, 0) != 0) _exit(125);
    std::string report;
    const int code = body(report);
    const char* p = report.data();
    size_t left = report.size();
    while (left > 0) {
      const ssize_t n = write(fds[1], p, left);
      if (n <= 0) break;
      p += n;
      left -= static_cast<size_t>(n);
    }
    return code;
  });
  close(fds[1]);
  if (pid < 0) {
    close(fds[0]);
    return result;
  }
  result.report = readUntilClosed(fds[0]);
  result.exitStatus = exitStatusOf(pid);
  return result;
}

// Appends a line to the report when a check inside the child fails.
#define CHILD_CHECK(report, condition) \
  do {                                 \
    if (!(condition)) (report) += "failed: " #condition "\n"; \
  } while (0)
