#include "runtime/sidework.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>

#include "runtime/spinwait.h"

namespace {

enum partState : int32_t { NO_PART, OFFERED, TAKEN, DONE };

// The caller spins while the taker finishes its part.
constexpr auto CALLER_SPIN = std::chrono::milliseconds(5);

std::atomic<int32_t> state{NO_PART};
const std::function<void()>* offeredPart = nullptr;  // written before OFFERED
std::mutex callers;                                   // one split at a time
std::mutex sleepLock;
std::condition_variable finished;
std::atomic<bool> waiting{false};

}  // namespace

bool sidePartOffered() { return state.load(std::memory_order_relaxed) == OFFERED; }

bool takeSidePart() {
  int32_t expected = OFFERED;
  if (!sidePartOffered() || !state.compare_exchange_strong(expected, TAKEN)) return false;
  (*offeredPart)();
  state.store(DONE);  // sequentially consistent with waiting
  if (waiting.load()) {
    std::lock_guard<std::mutex> hold(sleepLock);
    finished.notify_one();
  }
  return true;
}

void runBeside(const std::function<void()>& theirs, const std::function<void()>& mine) {
  std::lock_guard<std::mutex> turn(callers);
  offeredPart = &theirs;
  state.store(OFFERED);
  mine();
  int32_t expected = OFFERED;
  if (state.compare_exchange_strong(expected, NO_PART)) {
    theirs();  // nobody took it
    return;
  }
  auto isDone = [] { return state.load() == DONE; };
  if (!spinUntil(isDone, CALLER_SPIN)) {
    std::unique_lock<std::mutex> hold(sleepLock);
    waiting.store(true);
    finished.wait(hold, isDone);
    waiting.store(false);
  }
  state.store(NO_PART);
}
