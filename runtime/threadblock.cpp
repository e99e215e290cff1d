#include "runtime/threadblock.h"

#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "runtime/errors.h"
#include "runtime/state.h"

namespace {

// The thread-local slot. A thread that ends without releasing its block
// releases it here, so window threads do not leak theirs.
struct blockSlot {
  threadBlock* block = nullptr;
  ~blockSlot() { releaseThreadBlock(); }
};

thread_local blockSlot slot;

}  // namespace

thread_local constinit threadBlock* ownThreadBlock = nullptr;

threadBlock* makeThreadBlock() {
  if (slot.block != nullptr) return slot.block;
  auto* block = static_cast<threadBlock*>(std::calloc(1, sizeof(threadBlock)));
  if (block == nullptr) {
    raiseError(ERROR_OUT_OF_MEMORY);
    return nullptr;
  }
  block->ownedHandle = -1;
  slot.block = ownThreadBlock = block;
  runtime.threadBlockCount.fetch_add(1);
  const threadBlock* main = runtime.mainThreadBlock;
  if (main != nullptr && main != block) std::memcpy(block, main, THREAD_FONT_AREA);
  return block;
}

void releaseThreadBlock() {
  threadBlock* block = slot.block;
  if (block == nullptr) return;
  // On Linux the descriptor is gone even when close reports EINTR; a retry
  // could close one that another thread has just opened.
  if (block->ownedHandle >= 0) (void)close(block->ownedHandle);
  if (runtime.mainThreadBlock == block) runtime.mainThreadBlock = nullptr;
  std::free(block);
  slot.block = ownThreadBlock = nullptr;
  runtime.threadBlockCount.fetch_sub(1);
}
