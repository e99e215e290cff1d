#pragma once
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

// Adds a zero-filled record for `handle` at the head of the registry, with
// the desktop's default colours. Empty (error 5) when the handle is taken or
// memory is short. The caller fills the rest in before telling anyone the
// handle.
targetRef registerTarget(uint32_t handle, uint32_t parent, uint32_t flags, int32_t kind);
// The record of `handle`, or empty.
targetRef findTarget(uint32_t handle);
// The child registered under `parent` with `controlId`, or empty.
targetRef findChildTarget(uint32_t parent, int32_t controlId);
// Unregisters `handle` and, before it, every child registered under it.
void destroyTarget(uint32_t handle);
// Changes whenever a record is registered or destroyed.
uint64_t registryGeneration();
