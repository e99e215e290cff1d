#pragma once
#include <cstdint>

#include "graphics/registry.h"
#include "graphics/target.h"
#include "runtime/threadblock.h"

// The calling thread's drawing target (a canvas or bitmap that is still
// registered), or null. The record stays alive at least until the thread's
// next call of this function.
inline graphicTarget* currentTarget();

// The thread's last lookup, answered again inline for as long as neither
// the thread's target nor the registry changes: drawing a picture makes
// some hundred thousand calls.
struct targetLookup {
  uint32_t handle;
  uint64_t generation;
  graphicTarget* target;  // held by the lookup in currenttarget.cpp
};
extern thread_local constinit targetLookup lastTargetLookup;
graphicTarget* lookUpCurrentTarget(uint32_t handle);

inline graphicTarget* currentTarget() {
  const threadBlock* block = getThreadBlock();
  if (!block || block->currentTarget == 0) return nullptr;
  const uint32_t handle = block->currentTarget;
  const targetLookup& last = lastTargetLookup;
  if (handle == last.handle && registryGeneration() == last.generation) return last.target;
  return lookUpCurrentTarget(handle);
}
