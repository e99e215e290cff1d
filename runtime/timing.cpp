#include "runtime/timing.h"

#include <chrono>
#include <thread>

void sleepMs(int32_t n) {
  // A negative count is treated as 0: give up the time slice only.
  if (n <= 0) {
    std::this_thread::yield();
    return;
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(n));
}
