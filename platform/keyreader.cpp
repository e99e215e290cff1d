#include "platform/keyreader.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include "platform/helperthread.h"
#include "platform/terminalmodes.h"
#include "platform/wakeup.h"

bool keyReader::start(int fd, callbacks handlers, int quietMs) {
  if (thread_.joinable() || fd < 0) return false;
  int wake[2];
  if (pipe2(wake, O_CLOEXEC | O_NONBLOCK) != 0) return false;
  fd_ = fd;
  wakeRead_ = wake[0];
  wakeWrite_ = wake[1];
  handlers_ = std::move(handlers);
  quietMs_ = quietMs;
  // Signals are for the main thread; the restore handlers must not run here
  // while the gate is held.
  thread_ = startHelperThread([this] { run(); });
  if (!thread_.joinable()) {
    close(wakeRead_);
    close(wakeWrite_);
    wakeRead_ = wakeWrite_ = -1;
    return false;
  }
  return true;
}

void keyReader::stop() {
  if (!thread_.joinable()) return;
  char byte = 1;
  while (write(wakeWrite_, &byte, 1) < 0 && errno == EINTR) {
  }
  thread_.join();
  close(wakeRead_);
  close(wakeWrite_);
  wakeRead_ = wakeWrite_ = -1;
  fd_ = -1;
}

void keyReader::discardInput(const std::function<void()>& alsoClear) {
  std::lock_guard<std::mutex> hold(gate_);
  if (fd_ >= 0) terminalDiscardInput(fd_);
  if (alsoClear) alsoClear();
}

void keyReader::run() {
  bool unfinished = false;
  // While another process group has the terminal every read fails at once,
  // and a shell's fg of a running job sends no signal: the terminal is looked
  // at every BACKGROUND_LOOK_MS until the job is in front again. In front
  // nothing is timed.
  bool background = terminalInBackground(fd_);
  constexpr int BACKGROUND_LOOK_MS = 50;
  uint8_t buffer[256];
  for (;;) {
    pollfd watched[3] = {{background ? -1 : fd_, POLLIN, 0}, {wakeRead_, POLLIN, 0}, {handlers_.wakeup, POLLIN, 0}};
    int ready = poll(watched, handlers_.wakeup >= 0 ? 3 : 2, background ? BACKGROUND_LOOK_MS : unfinished ? quietMs_ : -1);
    if (ready < 0) {
      if (errno == EINTR) continue;
      return;
    }
    if (watched[1].revents) return;
    if (watched[2].revents) {
      wakeupDrain(handlers_.wakeup);
      if (handlers_.onWakeup) handlers_.onWakeup();
    }
    if (background) {
      if (terminalInBackground(fd_)) continue;
      background = false;
      if (handlers_.onFront) handlers_.onFront();
      continue;
    }
    if (watched[2].revents) {
      // A continue signals the wakeup too: it may have been a bg.
      if (terminalInBackground(fd_)) {
        background = true;
        continue;
      }
      if (!watched[0].revents) continue;
    }
    std::lock_guard<std::mutex> hold(gate_);
    if (ready == 0) {
      unfinished = false;
      if (handlers_.onQuiet) handlers_.onQuiet();
      continue;
    }
    if (watched[0].revents & POLLNVAL) return;
    // A hung-up terminal reads as the end of input for ever.
    if (watched[0].revents & POLLHUP) {
      if (handlers_.onHangUp) handlers_.onHangUp();
      return;
    }
    // Input may have been discarded since poll() woke: look again, so that
    // read() never blocks with the gate held.
    pollfd again = {fd_, POLLIN, 0};
    if (poll(&again, 1, 0) <= 0) continue;
    ssize_t n = read(fd_, buffer, sizeof buffer);
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (n < 0 && errno == EIO && terminalInBackground(fd_)) {
      background = true;
      continue;
    }
    // No more keys, ever: the program is told as of a hang-up rather than
    // left waiting for them.
    if (n <= 0) {
      if (handlers_.onHangUp) handlers_.onHangUp();
      return;
    }
    unfinished = handlers_.onBytes ? handlers_.onBytes(buffer, static_cast<size_t>(n)) : false;
  }
}
