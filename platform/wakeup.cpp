#include "platform/wakeup.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

int wakeupCreate() { return eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK); }

void wakeupSignal(int fd) {
  const uint64_t one = 1;
  // The counter cannot overflow in practice; a full counter is still readable.
  while (write(fd, &one, sizeof one) < 0 && errno == EINTR) {
  }
}

void wakeupDrain(int fd) {
  uint64_t count;
  while (read(fd, &count, sizeof count) < 0 && errno == EINTR) {
  }
}

void wakeupClose(int fd) {
  if (fd >= 0) close(fd);
}
