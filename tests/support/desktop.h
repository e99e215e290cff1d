#pragma once
// Programs of a test desktop (window manager, terminal emulator) started on
// a private X server, and a look at whether a process is still there.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

// A program started with DISPLAY set, its output thrown away; killed when
// this goes unless it ended before.
class desktopProgram {
 public:
  desktopProgram(const std::string& display, const std::vector<std::string>& argv) {
    pid_ = fork();
    if (pid_ != 0) return;
    setenv("DISPLAY", display.c_str(), 1);
    int devnull = open("/dev/null", O_RDWR);
    dup2(devnull, 0);
    dup2(devnull, 1);
    dup2(devnull, 2);
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execvp(args[0], args.data());
    _exit(127);
  }
  ~desktopProgram() {
    if (pid_ <= 0) return;
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  desktopProgram(const desktopProgram&) = delete;
  desktopProgram& operator=(const desktopProgram&) = delete;

  pid_t pid() const { return pid_; }

 private:
  pid_t pid_ = -1;
};

// A process that has ended, whether or not anybody has collected it yet. A
// stopped one is still there.
inline bool processGone(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string text;
  if (!std::getline(stat, text)) return true;
  size_t close = text.rfind(')');
  return close == std::string::npos || close + 2 >= text.size() || text[close + 2] == 'Z' || text[close + 2] == 'X';
}
