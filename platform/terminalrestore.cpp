#include "platform/terminalrestore.h"

#include <errno.h>
#include <signal.h>
#include <string.h>
#include <unistd.h>

#include <atomic>

#include "platform/terminalmodes.h"
#include "platform/terminalrepaint.h"

namespace {

constexpr size_t RESTORE_CAPACITY = 480;

struct restoreBytes {
  char leave[RESTORE_CAPACITY];
  size_t leaveLength;
  char resume[RESTORE_CAPACITY];
  size_t resumeLength;
};

// Two slots: the main thread fills the one not in use and then publishes
// it, so a handler never reads a half-written slot.
restoreBytes slots[2];
std::atomic<int> activeSlot{-1};
volatile sig_atomic_t outputFd = -1;
std::atomic<int> restoreDone{1};

constexpr int FATAL_SIGNALS[] = {SIGTERM, SIGHUP, SIGINT, SIGQUIT, SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};
struct sigaction previousFatal[sizeof FATAL_SIGNALS / sizeof FATAL_SIGNALS[0]];
struct sigaction previousStop, previousContinue;
bool installed = false;

void writeAll(int fd, const char* bytes, size_t n) {
  while (n > 0) {
    ssize_t done = write(fd, bytes, n);
    if (done < 0 && errno == EINTR) continue;
    if (done <= 0) return;
    bytes += done;
    n -= static_cast<size_t>(done);
  }
}

// The shell may take the terminal back while it hangs up; from a background
// process group tcsetattr and write would then stop the process (SIGTTOU)
// for good. Nothing on the way out may stop it.
class jobControlIgnored {
 public:
  jobControlIgnored() {
    struct sigaction ignore;
    memset(&ignore, 0, sizeof ignore);
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGTTOU, &ignore, &previousOutput_);
    sigaction(SIGTTIN, &ignore, &previousInput_);
  }
  ~jobControlIgnored() {
    sigaction(SIGTTOU, &previousOutput_, nullptr);
    sigaction(SIGTTIN, &previousInput_, nullptr);
  }
  jobControlIgnored(const jobControlIgnored&) = delete;
  jobControlIgnored& operator=(const jobControlIgnored&) = delete;

 private:
  struct sigaction previousOutput_, previousInput_;
};

void writeLeave() {
  int slot = activeSlot.load(std::memory_order_acquire);
  if (slot >= 0 && outputFd >= 0) writeAll(outputFd, slots[slot].leave, slots[slot].leaveLength);
}

void onFatalSignal(int signalNumber) {
  terminalRestoreNow();
  signal(signalNumber, SIG_DFL);
  // Blocked until this handler returns; then the default action ends the process.
  raise(signalNumber);
}

void installStopHandler();

void resume() {
  if (restoreDone.load()) return;
  terminalReapplyRawMode();
  // Continued in the background (bg): the screen stays the shell's until the
  // job is continued in the foreground.
  if (outputFd >= 0 && !terminalInFront(outputFd)) return;
  int slot = activeSlot.load(std::memory_order_acquire);
  if (slot >= 0 && outputFd >= 0) writeAll(outputFd, slots[slot].resume, slots[slot].resumeLength);
  terminalRequestRepaint();
}

void onStopSignal(int) {
  int savedErrno = errno;
  {
    jobControlIgnored quiet;
    terminalRestoreModes();
    writeLeave();
  }
  signal(SIGTSTP, SIG_DFL);
  sigset_t stop;
  sigemptyset(&stop);
  sigaddset(&stop, SIGTSTP);
  raise(SIGTSTP);
  sigprocmask(SIG_UNBLOCK, &stop, nullptr);  // stops here until continued
  installStopHandler();
  // Continued, or never stopped (the kernel drops the stop in an orphaned
  // process group): either way the program goes on, so raw mode comes back.
  resume();
  errno = savedErrno;
}

void onContinueSignal(int) {
  int savedErrno = errno;
  resume();
  errno = savedErrno;
}

void installStopHandler() {
  struct sigaction action;
  memset(&action, 0, sizeof action);
  action.sa_handler = onStopSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigaction(SIGTSTP, &action, nullptr);
}

}  // namespace

void terminalInstallRestoreHandlers(int outFd) {
  outputFd = outFd;
  restoreDone.store(0);
  if (installed) return;
  installed = true;
  struct sigaction action;
  memset(&action, 0, sizeof action);
  sigemptyset(&action.sa_mask);
  action.sa_handler = onFatalSignal;
  for (size_t i = 0; i < sizeof FATAL_SIGNALS / sizeof FATAL_SIGNALS[0]; ++i) {
    sigaction(FATAL_SIGNALS[i], nullptr, &previousFatal[i]);
    // A signal the parent chose to ignore stays ignored (e.g. SIGHUP under nohup).
    if (previousFatal[i].sa_handler == SIG_IGN) continue;
    sigaction(FATAL_SIGNALS[i], &action, nullptr);
  }
  sigaction(SIGTSTP, nullptr, &previousStop);
  if (previousStop.sa_handler != SIG_IGN) installStopHandler();
  action.sa_handler = onContinueSignal;
  action.sa_flags = SA_RESTART;
  sigaction(SIGCONT, &action, &previousContinue);
}

void terminalRemoveRestoreHandlers() {
  if (!installed) return;
  installed = false;
  for (size_t i = 0; i < sizeof FATAL_SIGNALS / sizeof FATAL_SIGNALS[0]; ++i) {
    if (previousFatal[i].sa_handler == SIG_IGN) continue;
    sigaction(FATAL_SIGNALS[i], &previousFatal[i], nullptr);
  }
  if (previousStop.sa_handler != SIG_IGN) sigaction(SIGTSTP, &previousStop, nullptr);
  sigaction(SIGCONT, &previousContinue, nullptr);
}

void terminalPublishRestoreBytes(const char* leave, size_t leaveLength, const char* resume, size_t resumeLength) {
  int next = activeSlot.load(std::memory_order_relaxed) == 0 ? 1 : 0;
  restoreBytes& slot = slots[next];
  slot.leaveLength = leaveLength < RESTORE_CAPACITY ? leaveLength : RESTORE_CAPACITY;
  memcpy(slot.leave, leave, slot.leaveLength);
  slot.resumeLength = resumeLength < RESTORE_CAPACITY ? resumeLength : RESTORE_CAPACITY;
  memcpy(slot.resume, resume, slot.resumeLength);
  activeSlot.store(next, std::memory_order_release);
}

void terminalRestoreNow() {
  int savedErrno = errno;
  if (restoreDone.exchange(1) == 0) {
    jobControlIgnored quiet;
    terminalRestoreModes();
    writeLeave();
  }
  errno = savedErrno;
}

void terminalHangUp() { kill(getpid(), SIGHUP); }
