#include "graphics/currenttarget.h"

#include "graphics/registry.h"
#include "runtime/threadblock.h"

namespace {

// The last lookup of this thread, kept (and the record held) for as long as
// the registry does not change: drawing a picture makes some hundred
// thousand calls, and a walk under the lock for each would cost more than
// the drawing.
struct lookupCache {
  uint32_t handle = 0;
  uint64_t generation = 0;
  targetRef target;
};

thread_local lookupCache cache;

}  // namespace

graphicTarget* currentTarget() {
  const threadBlock* block = getThreadBlock();
  if (!block || block->currentTarget == 0) return nullptr;
  const uint32_t handle = block->currentTarget;
  // Read before the lookup: a change that comes after it forces another one.
  const uint64_t generation = registryGeneration();
  if (handle != cache.handle || generation != cache.generation) {
    cache.target = findTarget(handle);
    if (cache.target && !cache.target->drawable()) cache.target.reset();
    cache.handle = handle;
    cache.generation = generation;
  }
  return cache.target.get();
}
