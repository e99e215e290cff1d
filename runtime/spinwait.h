#pragma once
#include <chrono>
#include <cstdint>
#include <thread>

// Waits between threads that hand each other work every few microseconds.
// A wakeup from sleep can take a millisecond on a virtual machine, longer
// than many such waits, so a waiter spins first. After a short while the
// spin yields the core at every turn, so that threads with real work (the
// window thread, the display server) get it.
inline constexpr auto BUSY_SPIN = std::chrono::microseconds(50);

// Asks `ready` until it says yes or `spin` is up; whether it did.
template <class Ready>
bool spinUntil(Ready ready, std::chrono::steady_clock::duration spin) {
  const auto start = std::chrono::steady_clock::now();
  for (;;) {
    for (int32_t i = 0; i < 64; ++i) {
      if (ready()) return true;
#if defined(__x86_64__) || defined(__i386__)
      __builtin_ia32_pause();
#endif
    }
    const auto spent = std::chrono::steady_clock::now() - start;
    if (spent >= spin) return false;
    if (spent >= BUSY_SPIN) std::this_thread::yield();
  }
}
