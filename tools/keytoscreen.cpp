// keytoscreen PROGRAM [ROUNDS]
// How long a right-arrow key takes from the terminal to the screen at level
// 5: starts PROGRAM in a pseudo-terminal against a private Xvfb, brings it
// to level 5 with Enter, then writes the arrow into the terminal ROUNDS
// times (default 30) and times each until the X server reports the picture
// window damaged. Prints every time and the median in milliseconds.
#include <X11/Xlib.h>
#include <X11/extensions/Xdamage.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/x11probe.h"
#include "tests/support/xvfb.h"

namespace {

using steadyClock = std::chrono::steady_clock;

double millisecondsSince(steadyClock::time_point t) {
  return std::chrono::duration<double, std::milli>(steadyClock::now() - t).count();
}

// The program on the slave side of a new pty, with `display` and an xterm
// terminal type; its output is read and dropped so that it never blocks.
class ptyProgram {
 public:
  ptyProgram(const char* program, const std::string& display) {
    master_ = posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) return;
    const std::string slaveName = ptsname(master_);
    pid_ = fork();
    if (pid_ == 0) {
      setsid();
      const int slave = open(slaveName.c_str(), O_RDWR);
      if (slave < 0) _exit(127);
      winsize size{25, 80, 0, 0};
      ioctl(slave, TIOCSWINSZ, &size);
      for (int fd = 0; fd < 3; ++fd) dup2(slave, fd);
      if (slave > 2) close(slave);
      close(master_);
      setenv("DISPLAY", display.c_str(), 1);
      setenv("TERM", "xterm", 1);
      unsetenv("WINDOWID");
      execl(program, program, static_cast<char*>(nullptr));
      _exit(127);
    }
    drain_ = std::thread([this] {
      char buffer[4096];
      while (!stop_) {
        pollfd p{master_, POLLIN, 0};
        if (poll(&p, 1, 50) > 0 && read(master_, buffer, sizeof buffer) <= 0) break;
      }
    });
  }
  ~ptyProgram() {
    if (pid_ > 0) {
      type("\033");  // Esc leaves the level view and the program
      for (int i = 0; i < 200 && waitpid(pid_, nullptr, WNOHANG) == 0; ++i) usleep(10000);
      if (kill(pid_, 0) == 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
      }
    }
    stop_ = true;
    if (drain_.joinable()) drain_.join();
    if (master_ >= 0) close(master_);
  }
  bool started() const { return pid_ > 0; }
  bool type(const char* bytes) const {
    const ssize_t n = static_cast<ssize_t>(std::strlen(bytes));
    return write(master_, bytes, static_cast<size_t>(n)) == n;
  }

 private:
  int master_ = -1;
  pid_t pid_ = -1;
  std::atomic<bool> stop_{false};
  std::thread drain_;
};

// The picture window: the frame's one child, once both are there.
Window findCanvas(const std::string& display, int timeoutMs) {
  x11Probe probe(display);
  const auto start = steadyClock::now();
  if (!probe.connected()) return 0;
  while (millisecondsSince(start) < timeoutMs) {
    if (const uint32_t frame = probe.findWindow("Hilbert Curve in 3D", timeoutMs)) {
      const std::vector<uint32_t> children = probe.children(frame);
      if (!children.empty()) return children[0];
    }
    usleep(20000);
  }
  return 0;
}

// Waits up to timeoutMs for a damage report; true when one came.
bool waitDamage(Display* d, Damage damage, int damageEvent, double timeoutMs) {
  const auto start = steadyClock::now();
  for (;;) {
    while (XPending(d)) {
      XEvent e;
      XNextEvent(d, &e);
      if (e.type == damageEvent + XDamageNotify) {
        XDamageSubtract(d, damage, None, None);
        XFlush(d);
        return true;
      }
    }
    const double left = timeoutMs - millisecondsSince(start);
    if (left <= 0) return false;
    pollfd p{ConnectionNumber(d), POLLIN, 0};
    poll(&p, 1, static_cast<int>(left) + 1);
  }
}

// Waits until the window has stayed undamaged for quietMs.
void waitQuiet(Display* d, Damage damage, int damageEvent, double quietMs) {
  while (waitDamage(d, damage, damageEvent, quietMs)) {
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: keytoscreen PROGRAM [ROUNDS]\n");
    return 2;
  }
  const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 30;
  xvfbServer server;
  if (server.name().empty()) {
    std::fprintf(stderr, "keytoscreen: cannot start Xvfb\n");
    return 1;
  }
  Display* d = XOpenDisplay(server.name().c_str());
  int damageEvent = 0, damageError = 0;
  if (!d || !XDamageQueryExtension(d, &damageEvent, &damageError)) {
    std::fprintf(stderr, "keytoscreen: no X server with the DAMAGE extension\n");
    return 1;
  }
  ptyProgram program(argv[1], server.name());
  const Window canvas = program.started() ? findCanvas(server.name(), 10000) : 0;
  if (!canvas) {
    std::fprintf(stderr, "keytoscreen: the program's window did not appear\n");
    return 1;
  }
  const Damage damage = XDamageCreate(d, canvas, XDamageReportNonEmpty);
  XFlush(d);
  // Level 0 is up once the window is quiet; each Enter builds the next
  // level and starts drawing it point by point, which any key cuts short.
  waitQuiet(d, damage, damageEvent, 1000);
  for (int level = 1; level <= 5; ++level) {
    program.type("\r");
    usleep(300000);
    program.type(" ");
    waitQuiet(d, damage, damageEvent, 1500);
  }
  std::vector<double> times;
  for (int i = 0; i < rounds; ++i) {
    const auto start = steadyClock::now();
    program.type("\033[C");
    if (!waitDamage(d, damage, damageEvent, 5000)) {
      std::fprintf(stderr, "keytoscreen: no picture after the key\n");
      return 1;
    }
    times.push_back(millisecondsSince(start));
    waitQuiet(d, damage, damageEvent, 200);
  }
  for (double t : times) std::printf("%.2f ", t);
  std::vector<double> sorted = times;
  std::sort(sorted.begin(), sorted.end());
  const size_t n = sorted.size();
  const double median = n % 2 ? sorted[n / 2] : (sorted[n / 2 - 1] + sorted[n / 2]) / 2;
  std::printf("\nkey to screen at level 5: median %.2f ms over %zu keys\n", median, n);
  XDamageDestroy(d, damage);
  XCloseDisplay(d);
  return 0;
}
