#include "platform/helperthread.h"

#include <signal.h>

#include <system_error>

std::thread startHelperThread(std::function<void()> body) {
  sigset_t all, previous;
  sigfillset(&all);
  for (int keep : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT, SIGTRAP, SIGSYS}) sigdelset(&all, keep);
  pthread_sigmask(SIG_BLOCK, &all, &previous);
  std::thread thread;
  try {
    thread = std::thread(std::move(body));
  } catch (const std::system_error&) {
  }
  pthread_sigmask(SIG_SETMASK, &previous, nullptr);
  return thread;
}
