#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

// A thread that sleeps in poll() on a terminal and hands every chunk of
// input to a callback the moment it arrives, so that nobody else has to
// ask the terminal. While the job is in the background it looks every 50 ms
// whether it is in front again (onFront); in front it sleeps untimed.
// Callbacks run on the reader thread.
class keyReader {
 public:
  struct callbacks {
    // The bytes just read. Returns true while they end inside an unfinished
    // key sequence: then onQuiet follows when nothing more arrives in time.
    std::function<bool(const uint8_t* bytes, size_t n)> onBytes;
    std::function<void()> onQuiet;
    // A wakeup (wakeup.h) to watch as well: onWakeup runs after each signal.
    int wakeup = -1;
    std::function<void()> onWakeup;
    // The terminal hung up or cannot be read any more; the thread ends after it.
    std::function<void()> onHangUp;
    // The job is in front again after a time in the background (its own
    // fd's process group has the terminal again).
    std::function<void()> onFront;
  };

  keyReader() = default;
  keyReader(const keyReader&) = delete;
  keyReader& operator=(const keyReader&) = delete;
  ~keyReader() { stop(); }

  // Starts reading fd (which stays the caller's). quietMs is how long an
  // unfinished sequence waits for the rest. False when the thread cannot start.
  bool start(int fd, callbacks handlers, int quietMs);
  // Ends the thread; nothing is called afterwards.
  void stop();
  bool running() const { return thread_.joinable(); }
  // Throws away the terminal's unread input and, with the reader held off,
  // runs alsoClear, so that no byte read before this call is delivered after it.
  void discardInput(const std::function<void()>& alsoClear);

 private:
  void run();

  int fd_ = -1;
  int wakeRead_ = -1, wakeWrite_ = -1;
  callbacks handlers_;
  int quietMs_ = 0;
  std::mutex gate_;  // held while reading and delivering, and while discarding
  std::thread thread_;
};
