#pragma once
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>

// How the thread that draws (the main thread, in graphicRedraw) asks a window
// thread for a repaint and waits for it.
// The window thread polls wakeFd(), a wakeup, along with its X connection.
class windowChannel {
 public:
  // Null when no wake-up descriptor can be had.
  static std::shared_ptr<windowChannel> create();
  ~windowChannel();
  windowChannel(const windowChannel&) = delete;
  windowChannel& operator=(const windowChannel&) = delete;

  // Main thread: returns once a paint that started after this call has
  // finished, or at once when the window is gone or goes meanwhile.
  void requestRepaint();

  // Window thread: the descriptor to poll; then, once it is readable, the
  // newest request to serve (0 for none), and its completion.
  int wakeFd() const { return wakeFd_; }
  uint64_t takeRequests();
  void repainted(uint64_t request);
  // The window is gone: every waiter returns, later requests return at once.
  void close();

 private:
  explicit windowChannel(int wakeFd) : wakeFd_(wakeFd) {}

  int wakeFd_;
  std::mutex mutex_;
  std::condition_variable changed_;
  uint64_t requested_ = 0, painted_ = 0;
  bool closed_ = false;
};
