#pragma once
#include <atomic>
#include <cstdint>

#include "graphics/target.h"

// A counted hold on a target record: the record stays alive (though it may
// be unregistered meanwhile) until the holder lets go.
class targetRef {
 public:
  targetRef() = default;
  explicit targetRef(graphicTarget* adopted) : target_(adopted) {}
  targetRef(targetRef&& other) noexcept : target_(other.target_) { other.target_ = nullptr; }
  targetRef& operator=(targetRef&& other) noexcept;
  targetRef(const targetRef&) = delete;
  targetRef& operator=(const targetRef&) = delete;
  ~targetRef() { reset(); }

  void reset();
  graphicTarget* get() const { return target_; }
  graphicTarget* operator->() const { return target_; }
  graphicTarget& operator*() const { return *target_; }
  explicit operator bool() const { return target_ != nullptr; }

 private:
  graphicTarget* target_ = nullptr;
};

// A handle no record has had before in this process. The display server
// reuses its window ids once a window is gone; a handle never comes back, so
// one kept after its window closed finds nothing ever again.
uint32_t newTargetHandle();
// A zero-filled record for `handle` with the desktop's default colours that
// no one can find yet: the caller fills it in, then registers it. Empty
// (error 5) when memory is short.
targetRef newTarget(uint32_t handle, uint32_t parent, uint32_t flags, int32_t kind);
// Puts a whole record at the head of the registry, from where every thread
// finds it. False (error 5) when its handle is taken.
bool registerTarget(const targetRef& target);
// The record of `handle`, or empty.
targetRef findTarget(uint32_t handle);
// The child registered under `parent` with `controlId`, or empty.
targetRef findChildTarget(uint32_t parent, int32_t controlId);
// Unregisters `handle` and, before it, every child registered under it.
void destroyTarget(uint32_t handle);
// Changes whenever a record is registered or destroyed. Inline: every
// drawing operation asks it.
extern std::atomic<uint64_t> registryGenerationCount;
inline uint64_t registryGeneration() { return registryGenerationCount.load(std::memory_order_acquire); }
