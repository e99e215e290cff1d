#include "graphics/windowchannel.h"

#include <new>

#include "platform/wakeup.h"

std::shared_ptr<windowChannel> windowChannel::create() {
  const int fd = wakeupCreate();
  if (fd < 0) return nullptr;
  std::shared_ptr<windowChannel> channel(new (std::nothrow) windowChannel(fd));
  if (!channel) wakeupClose(fd);
  return channel;
}

windowChannel::~windowChannel() { wakeupClose(wakeFd_); }

void windowChannel::requestRepaint() {
  std::unique_lock<std::mutex> lock(mutex_);
  if (closed_) return;
  const uint64_t request = ++requested_;
  wakeupSignal(wakeFd_);
  changed_.wait(lock, [&] { return closed_ || painted_ >= request; });
}

uint64_t windowChannel::takeRequests() {
  wakeupDrain(wakeFd_);  // every request since the last drain wakes the thread once
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
