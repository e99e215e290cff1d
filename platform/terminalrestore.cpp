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

// 1 while the terminal shows the user's screen rather than the program's:
// stopped, continued in the background, or started there. The leave bytes
// are written on the way into it, the resume bytes on the way out.
static_assert(std::atomic<int>::is_always_lock_free, "set from signal handlers");
std::atomic<int> away{0};

// Every signal whose default action ends the process, SIGKILL aside; the
// stops, SIGCONT and the signals ignored by default are not among them.
bool endsTheProcess(int signalNumber) {
  switch (signalNumber) {
    case SIGKILL: case SIGSTOP: case SIGTSTP: case SIGTTIN: case SIGTTOU:
    case SIGCONT: case SIGCHLD: case SIGURG: case SIGWINCH:
      return false;
    default:
      return true;
  }
}

struct sigaction previousFatal[NSIG];
bool caught[NSIG];  // a handler of ours is installed for that signal
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
  away.store(1);
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
  // job is in front again, which the key reader watches for; the request
  // wakes it.
  if (outputFd >= 0 && !terminalInFront(outputFd)) {
    away.store(1);
    terminalRequestRepaint();
    return;
  }
  int slot = activeSlot.load(std::memory_order_acquire);
  if (slot >= 0 && outputFd >= 0) writeAll(outputFd, slots[slot].resume, slots[slot].resumeLength);
  away.store(0);
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
  for (int s = 1; s < NSIG; ++s) {
    caught[s] = false;
    // Some numbers belong to the C library and cannot be had.
    if (!endsTheProcess(s) || sigaction(s, nullptr, &previousFatal[s]) != 0) continue;
    // A signal the parent chose to ignore stays ignored (e.g. SIGHUP under nohup).
    if (!(previousFatal[s].sa_flags & SA_SIGINFO) && previousFatal[s].sa_handler == SIG_IGN) continue;
    caught[s] = sigaction(s, &action, nullptr) == 0;
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
  for (int s = 1; s < NSIG; ++s)
    if (caught[s]) sigaction(s, &previousFatal[s], nullptr);
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
    // Away, the user's screen is already back and the shell's on it.
    if (!away.load()) writeLeave();
  }
  errno = savedErrno;
}

bool terminalAway() { return away.load() != 0; }

void terminalStartAway(bool startAway) { away.store(startAway ? 1 : 0); }

void terminalBackInFront() { kill(getpid(), SIGCONT); }

void terminalHangUp() { kill(getpid(), SIGHUP); }
