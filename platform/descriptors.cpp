#include "platform/descriptors.h"

#include <unistd.h>

void closeDescriptor(int fd) {
  if (fd < 0) return;
  // On Linux the descriptor is gone even when close reports EINTR; a retry
  // could close one that another thread has just opened.
  (void)close(fd);
}
