// keytoscreen [--cpus LIST] [--animation LEVEL SECONDS] [--rest SECONDS] PROGRAM [ROUNDS]
// How long a right-arrow key takes from the terminal to the screen at level
// 5, and what it costs: starts PROGRAM in a pseudo-terminal against a private
// Xvfb, brings it to level 5 with Enter, then writes the arrow into the
// terminal ROUNDS times (default 30) and times each until the X server
// reports the picture window damaged. Prints every time, the median in
// milliseconds, and the CPU time of the whole program (every thread, user
// and system, from its CPU clock) over those turns divided by the turns.
//   --cpus LIST              runs PROGRAM on those CPUs only ("0", "0,1", "0-1")
//   --animation LEVEL SECONDS  the program's CPU time over the first SECONDS
//                            of level LEVEL's animation (1 to 5)
//   --rest SECONDS           the program's CPU time while it sits at level 5,
//                            untouched, for SECONDS after the turns
// Each figure is one line of its own, so that scripts can pick it out.
#include <X11/Xlib.h>
#include <X11/extensions/Xdamage.h>
#include <fcntl.h>
#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/x11probe.h"
#include "tests/support/process.h"
#include "tests/support/waitfor.h"
#include "tests/support/xvfb.h"

namespace {

using steadyClock = std::chrono::steady_clock;

double millisecondsSince(steadyClock::time_point t) {
  return std::chrono::duration<double, std::milli>(steadyClock::now() - t).count();
}

// The user and system time of every thread the process has had, in
// seconds, or -1 when it cannot be read: the process's CPU clock, to the
// nanosecond (its /proc/PID/stat counts in clock ticks, 10 ms, as much as a
// turn costs).
double processCpuSeconds(pid_t pid) {
  clockid_t clock;
  timespec t;
  if (clock_getcpuclockid(pid, &clock) != 0 || clock_gettime(clock, &t) != 0) return -1;
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// A CPU list as taskset takes it, numbers and ranges, comma-separated, of
// which at least one CPU is this process's to use.
bool parseCpuList(const std::string& text, cpu_set_t& set) {
  CPU_ZERO(&set);
  std::istringstream items(text);
  std::string item;
  bool any = false;
  while (std::getline(items, item, ',')) {
    unsigned first = 0, last = 0;
    char dash = 0, extra = 0;
    const int n = std::sscanf(item.c_str(), "%u%c%u%c", &first, &dash, &last, &extra);
    if (n == 1) last = first;
    else if (n != 3 || dash != '-') return false;
    if (first > last || last >= CPU_SETSIZE) return false;
    for (unsigned cpu = first; cpu <= last; ++cpu) CPU_SET(cpu, &set);
    any = true;
  }
  // sched_setaffinity in the child would refuse a set without one; say so before starting it.
  cpu_set_t allowed, both;
  if (!any || sched_getaffinity(0, sizeof allowed, &allowed) != 0) return false;
  CPU_AND(&both, &set, &allowed);
  return CPU_COUNT(&both) > 0;
}

// The program on the slave side of a new pty, with `display` and an xterm
// terminal type, on the CPUs of `cpus` when given; its output is read and
// dropped so that it never blocks.
class ptyProgram {
 public:
  ptyProgram(const char* program, const std::string& display, const cpu_set_t* cpus) {
    master_ = posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) return;
    const std::string slaveName = ptsname(master_);
    const commandLine command{program};
    pid_ = startChild([&] {
      // Before exec, so that every thread the program starts inherits it.
      if (cpus && sched_setaffinity(0, sizeof *cpus, cpus) != 0) {
        std::perror("keytoscreen: sched_setaffinity");
        return 126;
      }
      setsid();
      const int slave = open(slaveName.c_str(), O_RDWR);
      if (slave < 0) return 127;
      winsize size{25, 80, 0, 0};
      ioctl(slave, TIOCSWINSZ, &size);
      for (int fd = 0; fd < 3; ++fd) dup2(slave, fd);
      if (slave > 2) close(slave);
      close(master_);
      setenv("DISPLAY", display.c_str(), 1);
      setenv("TERM", "xterm", 1);
      unsetenv("WINDOWID");
      return command.exec();
    });
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
      waitFor([&] { return waitpid(pid_, nullptr, WNOHANG) != 0; }, 2000);
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
  pid_t pid() const { return pid_; }
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
  if (!probe.connected()) return 0;
  Window canvas = 0;
  waitFor([&] {
    const uint32_t frame = probe.findWindow("Hilbert Curve in 3D", timeoutMs);
    const std::vector<uint32_t> children = frame ? probe.children(frame) : std::vector<uint32_t>{};
    canvas = children.empty() ? 0 : children[0];
    return canvas != 0;
  }, timeoutMs);
  return canvas;
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

int usage() {
  std::fprintf(stderr,
               "usage: keytoscreen [--cpus LIST] [--animation LEVEL SECONDS] [--rest SECONDS] PROGRAM [ROUNDS]\n");
  return 2;
}

// The CPU time the program spends while `during` runs, in seconds.
template <typename F>
double cpuDuring(pid_t pid, F during) {
  const double before = processCpuSeconds(pid);
  during();
  const double after = processCpuSeconds(pid);
  return before < 0 || after < 0 ? -1 : after - before;
}

}  // namespace

int main(int argc, char** argv) {
  cpu_set_t cpus;
  bool pinned = false;
  int animationLevel = 0;
  double animationSeconds = 0, restSeconds = 0;
  std::vector<const char*> positional;
  for (int i = 1; i < argc; ++i) {
    const std::string option = argv[i];
    const int left = argc - 1 - i;
    if (option == "--cpus" && left >= 1) {
      if (!parseCpuList(argv[++i], cpus)) {
        std::fprintf(stderr, "keytoscreen: %s is no list of CPUs this process may use\n", argv[i]);
        return usage();
      }
      pinned = true;
    } else if (option == "--animation" && left >= 2) {
      animationLevel = std::atoi(argv[++i]);
      animationSeconds = std::atof(argv[++i]);
      if (animationLevel < 1 || animationLevel > 5 || animationSeconds <= 0) return usage();
    } else if (option == "--rest" && left >= 1) {
      restSeconds = std::atof(argv[++i]);
      if (restSeconds <= 0) return usage();
    } else if (option.starts_with("--")) {
      return usage();
    } else {
      positional.push_back(argv[i]);
    }
  }
  if (positional.empty() || positional.size() > 2) return usage();
  const int rounds = positional.size() > 1 ? std::max(1, std::atoi(positional[1])) : 30;
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
  ptyProgram program(positional[0], server.name(), pinned ? &cpus : nullptr);
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
  double animationCpu = -1;
  for (int level = 1; level <= 5; ++level) {
    program.type("\r");
    if (level == animationLevel)
      animationCpu = cpuDuring(program.pid(), [&] { usleep(static_cast<useconds_t>(animationSeconds * 1e6)); });
    else
      usleep(300000);
    program.type(" ");
    waitQuiet(d, damage, damageEvent, 1500);
  }
  std::vector<double> times;
  const double cpuBefore = processCpuSeconds(program.pid());
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
  const double cpuAfter = processCpuSeconds(program.pid());
  const double restCpu =
      restSeconds > 0 ? cpuDuring(program.pid(), [&] { usleep(static_cast<useconds_t>(restSeconds * 1e6)); }) : -1;
  for (double t : times) std::printf("%.2f ", t);
  std::vector<double> sorted = times;
  std::sort(sorted.begin(), sorted.end());
  const size_t n = sorted.size();
  const double median = n % 2 ? sorted[n / 2] : (sorted[n / 2 - 1] + sorted[n / 2]) / 2;
  std::printf("\nkey to screen at level 5: median %.2f ms over %zu keys\n", median, n);
  if (cpuBefore >= 0 && cpuAfter >= 0)
    std::printf("CPU per turn at level 5: %.2f ms over %zu keys (whole program)\n",
                (cpuAfter - cpuBefore) * 1000 / static_cast<double>(n), n);
  if (animationCpu >= 0)
    std::printf("CPU during %.1f s of the level-%d animation: %.3f s\n", animationSeconds, animationLevel,
                animationCpu);
  if (restCpu >= 0) std::printf("CPU at rest at level 5 for %.1f s: %.3f s\n", restSeconds, restCpu);
  XDamageDestroy(d, damage);
  XCloseDisplay(d);
  return 0;
}
