#include "platform/largeblocks.h"

#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>

namespace {

constexpr size_t HUGE_PAGE = size_t{2} << 20;  // x86-64's; elsewhere the advice is only ignored
constexpr size_t PAGE = 4096;

}  // namespace

void* largeBlockAllocate(size_t bytes) {
  if (bytes < HUGE_PAGE) return std::malloc(bytes == 0 ? 1 : bytes);
  // The tail past the last whole huge page stays on small ones: rounding up
  // to a huge page would waste up to one in memory.
  void* block = nullptr;
  if (bytes > SIZE_MAX - PAGE || posix_memalign(&block, HUGE_PAGE, bytes) != 0) return nullptr;
  madvise(block, (bytes + PAGE - 1) / PAGE * PAGE, MADV_HUGEPAGE);  // advice: the block serves without it
  return block;
}

void largeBlockFree(void* block) { std::free(block); }
