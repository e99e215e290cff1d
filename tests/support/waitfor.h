#pragma once
// Polls `condition` every 10 ms until it holds or `timeoutMs` have passed:
// the one way the tests and tools wait for another thread or process.
#include <chrono>
#include <thread>

template <class Condition>
bool waitFor(Condition condition, int timeoutMs = 10000) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    if (condition()) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}
