#pragma once
// Child processes for the tests and tools: the one place that forks, and
// the parent's side of a child that reports through a pipe.
#include <fcntl.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <initializer_list>
#include <string>
#include <vector>

// Runs body in a child process, which ends with what body returns. The
// child's pid, or -1 when there is none.
template <class Body>
pid_t startChild(Body body) {
  const pid_t pid = fork();
  if (pid == 0) _exit(body());
  return pid;
}

// A program and its arguments, made ready before the fork so that the
// child has nothing left to allocate.
class commandLine {
 public:
  commandLine(std::vector<std::string> words) : words_(std::move(words)) {
    for (std::string& word : words_) argv_.push_back(word.data());
    argv_.push_back(nullptr);
  }
  commandLine(std::initializer_list<std::string> words) : commandLine(std::vector<std::string>(words)) {}
  // In the child: becomes the program (found through PATH). Returns 127
  // only when that failed.
  int exec() const {
    execvp(argv_[0], argv_.data());
    return 127;
  }

 private:
  std::vector<std::string> words_;
  std::vector<char*> argv_;
};

// In the child: points each of `fds` at /dev/null.
inline void toDevNull(std::initializer_list<int> fds) {
  const int devnull = open("/dev/null", O_RDWR);
  for (int fd : fds) dup2(devnull, fd);
  if (devnull > 2) close(devnull);
}

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

struct programResult {
  int status = -1;  // as exitStatusOf
  std::string output;
};

// Runs a program to its end with its standard input and error on
// /dev/null, and the NAME=value entries of `environment` added to its
// environment; its standard output is what it returns, or dropped as well
// when keepOutput is false (for a program that leaves a server behind,
// which would hold a pipe open).
inline programResult runProgram(const commandLine& command, bool keepOutput = true,
                                const std::vector<std::string>& environment = {}) {
  programResult result;
  int fds[2];
  if (pipe(fds) != 0) return result;
  const pid_t pid = startChild([&] {
    close(fds[0]);
    for (const std::string& entry : environment) putenv(const_cast<char*>(entry.c_str()));
    toDevNull({0, 1, 2});
    if (keepOutput) dup2(fds[1], 1);
    close(fds[1]);
    return command.exec();
  });
  close(fds[1]);
  result.output = readUntilClosed(fds[0]);
  result.status = exitStatusOf(pid);
  return result;
}
