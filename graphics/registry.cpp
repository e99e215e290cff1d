#include "graphics/registry.h"

#include <algorithm>
#include <new>

#include "graphics/drawthread.h"
#include "runtime/errors.h"
#include "runtime/state.h"

std::atomic<uint64_t> registryGenerationCount{1};

// Here, where the drawing thread is a whole type.
graphicTarget::~graphicTarget() {
  drawer.reset();  // stops the drawing thread while its buffer is still there
}

bool graphicTarget::makePixels(int32_t w, int32_t h, uint32_t pixel) {
  const size_t count = static_cast<size_t>(w) * static_cast<size_t>(h);
  pixels_.reset(static_cast<uint32_t*>(largeBlockAllocate(count * sizeof(uint32_t))));
  if (!pixels_) return false;
  std::fill_n(pixels_.get(), count, pixel);
  width = w;
  height = h;
  return true;
}

namespace {

std::atomic<uint32_t> nextHandle{0x01000000};

// The registry's one-word lock: exchange -1 in until the old value was 0.
// It is held for one walk or change of the list and nothing else.
class registryLock {
 public:
  registryLock() {
    while (runtime.registry.lock.exchange(-1, std::memory_order_acquire) != 0) {
    }
  }
  ~registryLock() { runtime.registry.lock.store(0, std::memory_order_release); }
  registryLock(const registryLock&) = delete;
  registryLock& operator=(const registryLock&) = delete;
};

graphicTarget* hold(graphicTarget* target) {
  if (target) target->references.fetch_add(1, std::memory_order_relaxed);
  return target;
}

void letGo(graphicTarget* target) {
  if (target && target->references.fetch_sub(1, std::memory_order_acq_rel) == 1) delete target;
}

// Unlinks the first record that `matches` and returns it, still counted
// for the registry; null when none does.
template <typename Match>
graphicTarget* unlinkFirst(Match matches) {
  registryLock lock;
  for (graphicTarget** link = &runtime.registry.head; *link; link = &(*link)->link) {
    graphicTarget* target = *link;
    if (matches(*target)) {
      *link = target->link;
      target->link = nullptr;
      registryGenerationCount.fetch_add(1, std::memory_order_release);
      return target;
    }
  }
  return nullptr;
}

}  // namespace

targetRef& targetRef::operator=(targetRef&& other) noexcept {
  if (this != &other) {
    reset();
    target_ = other.target_;
    other.target_ = nullptr;
  }
  return *this;
}

void targetRef::reset() {
  letGo(target_);
  target_ = nullptr;
}

uint32_t newTargetHandle() { return nextHandle.fetch_add(1, std::memory_order_relaxed); }

targetRef newTarget(uint32_t handle, uint32_t parent, uint32_t flags, int32_t kind) {
  auto* target = new (std::nothrow) graphicTarget;
  if (!target) {
    raiseError(ERROR_BAD_ARGUMENT);
    return {};
  }
  target->handle = handle;
  target->parent = parent;
  target->flags.store(flags, std::memory_order_relaxed);
  target->kind = kind;
  target->foreground = WINDOW_TEXT_COLOR;
  target->background = FACE_COLOR;
  return targetRef(target);
}

bool registerTarget(const targetRef& target) {
  {
    registryLock lock;
    bool taken = false;
    for (graphicTarget* t = runtime.registry.head; t && !taken; t = t->link) taken = t->handle == target->handle;
    if (!taken) {
      target->link = runtime.registry.head;
      runtime.registry.head = hold(target.get());  // the registry's own count
      registryGenerationCount.fetch_add(1, std::memory_order_release);
      return true;
    }
  }
  raiseError(ERROR_BAD_ARGUMENT);
  return false;
}

targetRef findTarget(uint32_t handle) {
  registryLock lock;
  for (graphicTarget* t = runtime.registry.head; t; t = t->link)
    if (t->handle == handle) return targetRef(hold(t));
  return {};
}

targetRef findChildTarget(uint32_t parent, int32_t controlId) {
  registryLock lock;
  for (graphicTarget* t = runtime.registry.head; t; t = t->link)
    if (t->parent == parent && (t->flags.load(std::memory_order_relaxed) & TARGET_CHILD_OF_FRAME) &&
        t->controlId == controlId)
      return targetRef(hold(t));
  return {};
}

void destroyTarget(uint32_t handle) {
  for (;;) {
    uint32_t child = 0;
    bool found = false;
    {
      registryLock lock;
      for (graphicTarget* t = runtime.registry.head; t && !found; t = t->link)
        if (t->parent == handle && t->handle != handle &&
            (t->flags.load(std::memory_order_relaxed) & TARGET_CHILD_OF_FRAME)) {
          child = t->handle;
          found = true;
        }
    }
    if (!found) break;
    destroyTarget(child);
  }
  letGo(unlinkFirst([handle](const graphicTarget& t) { return t.handle == handle; }));
}
