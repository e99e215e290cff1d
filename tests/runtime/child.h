#pragma once
// Runs a piece of a test in a forked child, for code that may only run once
// per process (start-up sets the terminal up) or changes process state.
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <string>

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
  pid_t pid = fork();
  if (pid < 0) {
    close(fds[0]);
    close(fds[1]);
    return result;
  }
  if (pid == 0) {
    close(fds[0]);
    std::string report;
    int code = body(report);
    const char* p = report.data();
    size_t left = report.size();
    while (left > 0) {
      ssize_t n = write(fds[1], p, left);
      if (n <= 0) break;
      p += n;
      left -= static_cast<size_t>(n);
    }
    _exit(code);
  }
  close(fds[1]);
  char buffer[512];
  ssize_t n;
  while ((n = read(fds[0], buffer, sizeof buffer)) > 0) result.report.append(buffer, static_cast<size_t>(n));
  close(fds[0]);
  int status = 0;
  pid_t waited;
  do {
    waited = waitpid(pid, &status, 0);
  } while (waited < 0 && errno == EINTR);
  if (waited == pid && WIFEXITED(status)) result.exitStatus = WEXITSTATUS(status);
  return result;
}

// Appends a line to the report when a check inside the child fails.
#define CHILD_CHECK(report, condition) \
  do {                                 \
    if (!(condition)) (report) += "failed: " #condition "\n"; \
  } while (0)
