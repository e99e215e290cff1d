#include "graphics/windowchannel.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <new>

std::shared_ptr<windowChannel> windowChannel::create() {
  const int fd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (fd < 0) return nullptr;
  std::shared_ptr<windowChannel> channel(new (std::nothrow) windowChannel(fd));
  if (!channel) ::close(fd);
  return channel;
}

windowChannel::~windowChannel() { ::close(wakeFd_); }

void windowChannel::requestRepaint() {
  std::unique_lock<std::mutex> lock(mutex_);
  if (closed_) return;
  const uint64_t request = ++requested_;
  // The eventfd counter cannot overflow in practice; a full one is still readable.
  const uint64_t one = 1;
  while (write(wakeFd_, &one, sizeof one) < 0 && errno == EINTR) {
  }
  changed_.wait(lock, [&] { return closed_ || painted_ >= request; });
}

uint64_t windowChannel::takeRequests() {
  uint64_t count;  // every request since the last drain wakes the thread once
  while (read(wakeFd_, &count, sizeof count) < 0 && errno == EINTR) {
  }
  std::lock_guard<std::mutex> lock(mutex_);
  return requested_ > painted_ ? requested_ : 0;
}

void windowChannel::repainted(uint64_t request) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (request > painted_) painted_ = request;
  }
  changed_.notify_all();
}

void windowChannel::close() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    closed_ = true;
  }
  changed_.notify_all();
}
