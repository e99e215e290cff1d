#include "platform/terminalrepaint.h"

#include <errno.h>
#include <signal.h>
#include <string.h>

#include <atomic>

#include "platform/wakeup.h"

namespace {

static_assert(std::atomic<int>::is_always_lock_free, "the request is set from signal handlers");
std::atomic<int> requested{0};
std::atomic<int> wakeFd{-1};
struct sigaction previousHandler;
bool watching = false;

void onSizeChange(int) { terminalRequestRepaint(); }

}  // namespace

void terminalWatchSize() {
  if (watching) return;
  if (wakeFd.load() < 0) wakeFd.store(wakeupCreate());
  struct sigaction action;
  memset(&action, 0, sizeof action);
  action.sa_handler = onSizeChange;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  watching = sigaction(SIGWINCH, &action, &previousHandler) == 0;
}

void terminalUnwatchSize() {
  if (!watching) return;
  watching = false;
  sigaction(SIGWINCH, &previousHandler, nullptr);
}

void terminalRequestRepaint() {
  int savedErrno = errno;
  requested.store(1, std::memory_order_release);
  int fd = wakeFd.load(std::memory_order_relaxed);
  if (fd >= 0) wakeupSignal(fd);
  errno = savedErrno;
}

bool terminalTakeRepaintRequest() {
  return requested.load(std::memory_order_relaxed) != 0 && requested.exchange(0, std::memory_order_acquire) != 0;
}

int terminalRepaintWakeup() { return wakeFd.load(std::memory_order_relaxed); }
