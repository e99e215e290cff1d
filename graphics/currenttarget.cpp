#include "graphics/currenttarget.h"

thread_local constinit targetLookup lastTargetLookup{0, 0, nullptr};

namespace {

// The record of the last lookup, held (a walk under the registry's lock for
// each call would cost more than the drawing); the inline answer goes with
// it when the thread ends.
struct heldTarget {
  targetRef record;
  ~heldTarget() { lastTargetLookup = {0, 0, nullptr}; }
};
thread_local heldTarget lastTarget;

}  // namespace

graphicTarget* lookUpCurrentTarget(uint32_t handle) {
  // Read before the lookup: a change that comes after it forces another one.
  const uint64_t generation = registryGeneration();
  targetRef& record = lastTarget.record;
  record = findTarget(handle);
  if (record && !record->drawable()) record.reset();
  lastTargetLookup = {handle, generation, record.get()};
  return record.get();
}
