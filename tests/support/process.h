#pragma once
// The parent's side of a forked child that reports through a pipe.
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <string>

// Everything that comes through fd until every writer has closed it; fd is closed then.
inline std::string readUntilClosed(int fd) {
  std::string all;
  char buffer[4096];
  ssize_t n;
  while ((n = read(fd, buffer, sizeof buffer)) > 0 || (n < 0 && errno == EINTR))
    if (n > 0) all.append(buffer, static_cast<size_t>(n));
  close(fd);
  return all;
}

// Waits for the child to end: its exit code, or -1 when it did not exit normally.
inline int exitStatusOf(pid_t pid) {
  if (pid <= 0) return -1;
  int status = 0;
  pid_t waited;
  do {
    waited = waitpid(pid, &status, 0);
  } while (waited < 0 && errno == EINTR);
  return waited == pid && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
