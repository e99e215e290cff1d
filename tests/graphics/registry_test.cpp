// The target registry: registration, lookup, destruction with children, and
// records that outlive their registration while someone holds them.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "graphics/registry.h"
#include "runtime/errors.h"

namespace {

// A record that needs nothing more, made and registered at once; empty when
// registering failed.
targetRef registerTarget(uint32_t handle, uint32_t parent, uint32_t flags, int32_t kind) {
  targetRef target = newTarget(handle, parent, flags, kind);
  if (target && !::registerTarget(target)) target.reset();
  return target;
}

TEST(Registry, RegistersFindsAndRefusesDuplicates) {
  errorCode = 0;
  targetRef a = registerTarget(0x100, 0, 0x8402, TARGET_FRAME);
  ASSERT_TRUE(a);
  EXPECT_EQ(a->handle, 0x100u);
  EXPECT_EQ(a->flags.load(), 0x8402u);
  EXPECT_EQ(a->foreground, 0x00000000u);
  EXPECT_EQ(a->background, 0x00C8D0D4u);
  EXPECT_EQ(errorCode, 0);

  targetRef again = registerTarget(0x100, 0, 0x2002, TARGET_CANVAS);
  EXPECT_FALSE(again);
  EXPECT_EQ(errorCode, 5);
  targetRef found = findTarget(0x100);
  ASSERT_TRUE(found);
  EXPECT_EQ(found.get(), a.get());
  EXPECT_EQ(found->kind, TARGET_FRAME);  // the refused one left nothing behind

  EXPECT_FALSE(findTarget(0x101));
  destroyTarget(0x100);
  EXPECT_FALSE(findTarget(0x100));
  destroyTarget(0x100);  // a second time finds nothing and does nothing
}

TEST(Registry, DestroyingAFrameTakesItsChildrenButNotOthers) {
  registerTarget(0x200, 0, 0x8402, TARGET_FRAME);
  registerTarget(0x201, 0x200, 0x2002, TARGET_CANVAS);
  registerTarget(0x202, 0x200, 0x0002, TARGET_CANVAS);  // a child not flagged as the frame's
  registerTarget(0x203, 0x201, 0x2002, TARGET_CANVAS);  // a grandchild
  registerTarget(0x300, 0, 0x8402, TARGET_FRAME);

  targetRef child = findChildTarget(0x200, 0);
  ASSERT_TRUE(child);
  EXPECT_EQ(child->handle, 0x201u);
  EXPECT_FALSE(findChildTarget(0x200, 1));

  destroyTarget(0x200);
  EXPECT_FALSE(findTarget(0x200));
  EXPECT_FALSE(findTarget(0x201));
  EXPECT_FALSE(findTarget(0x203));
  EXPECT_TRUE(findTarget(0x202));
  EXPECT_TRUE(findTarget(0x300));
  destroyTarget(0x202);
  destroyTarget(0x300);
}

TEST(Registry, AHeldRecordOutlivesItsDestructionAndTheGenerationMoves) {
  const uint64_t before = registryGeneration();
  targetRef held = registerTarget(0x400, 0, 0x1082, TARGET_BITMAP);
  ASSERT_TRUE(held);
  const uint64_t registered = registryGeneration();
  EXPECT_NE(registered, before);
  destroyTarget(0x400);
  EXPECT_NE(registryGeneration(), registered);
  EXPECT_FALSE(findTarget(0x400));
  // Still ours to use: the registry let go, we did not.
  held->posX = 7;
  EXPECT_EQ(held->references.load(), 1);
  held.reset();
}

TEST(Registry, ConcurrentRegistrationLookupAndDestructionKeepTheListWhole) {
  constexpr int perThread = 2000;
  std::atomic<bool> failed{false};
  auto worker = [&](uint32_t base) {
    for (int i = 0; i < perThread; ++i) {
      const uint32_t handle = base + static_cast<uint32_t>(i);
      if (!registerTarget(handle, 0, 0x1082, TARGET_BITMAP)) failed = true;
      targetRef found = findTarget(handle);
      if (!found || found->handle != handle) failed = true;
      destroyTarget(handle);
      if (findTarget(handle)) failed = true;
    }
  };
  std::vector<std::thread> threads;
  for (uint32_t t = 0; t < 4; ++t) threads.emplace_back(worker, 0x10000 * (t + 1));
  for (auto& t : threads) t.join();
  EXPECT_FALSE(failed);
}

}  // namespace
