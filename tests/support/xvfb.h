#pragma once
// Private X servers for tests, on free display numbers.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "tests/support/process.h"

// An Xvfb of its own, killed when this goes (or on kill()). Without shared
// memory it lacks MIT-SHM, as a server on another machine does. With an
// authority file it admits only clients with one of that file's cookies, as
// a display manager's server does; without one it admits everybody.
class xvfbServer {
 public:
  explicit xvfbServer(const char* screen = "1600x1000x24", bool sharedMemory = true, const char* authority = nullptr) {
    int fds[2];
    if (pipe(fds) != 0) return;
    std::vector<std::string> words = {"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0", screen,
                                      "-nolisten", "tcp"};
    if (authority) {
      words.insert(words.end(), {"-auth", authority});
    } else {
      words.push_back("-ac");
    }
    if (!sharedMemory) words.insert(words.end(), {"-extension", "MIT-SHM"});
    // Made before the fork: the child of a threaded process must not allocate.
    const commandLine xvfb(words);
    pid_ = startChild([&] {
      close(fds[0]);
      toDevNull({1, 2});
      return xvfb.exec();
    });
    close(fds[1]);
    char buffer[32] = {};
    ssize_t n = 0, got;
    while (n < static_cast<ssize_t>(sizeof buffer) - 1 && (got = read(fds[0], buffer + n, sizeof buffer - 1 - n)) > 0) {
      n += got;
      if (buffer[n - 1] == '\n') break;
    }
    close(fds[0]);
    if (n > 0 && buffer[n - 1] == '\n') {
      buffer[n - 1] = 0;
      name_ = std::string(":") + buffer;
    }
  }
  ~xvfbServer() { kill(); }
  xvfbServer(const xvfbServer&) = delete;
  xvfbServer& operator=(const xvfbServer&) = delete;

  void kill() {
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
      pid_ = -1;
    }
  }
  // The display name (":N"), or "" when Xvfb could not be started.
  const std::string& name() const { return name_; }

 private:
  pid_t pid_ = -1;
  std::string name_;
};

// One server for the whole test program, started on first use.
class testXServer {
 public:
  static const std::string& display() {
    static xvfbServer server;
    return server.name();
  }
  static const std::string& displayWithoutSharedMemory() {
    static xvfbServer server("1600x1000x24", false);
    return server.name();
  }
};

// Adds a cookie (32 hex digits) for `display` to the authority file, as a
// display manager does, with the xauth tool. The server side takes every
// cookie of its file, whichever display the entry names.
inline bool addCookie(const std::string& file, const std::string& display, const std::string& cookie) {
  return runProgram(commandLine{"xauth", "-q", "-f", file, "add", display, "MIT-MAGIC-COOKIE-1", cookie}).status == 0;
}
