#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "runtime/sidework.h"

namespace {

// Each part runs exactly once and is done when runBeside returns, whether an
// idle thread takes the offered part, takes it late, or never does.
TEST(SideWork, EachPartRunsOnceAndIsDoneOnReturn) {
  std::atomic<bool> stop{false};
  std::atomic<int> taken{0};
  std::thread taker([&] {
    while (!stop.load())
      if (takeSidePart()) ++taken;
  });
  const std::thread::id caller = std::this_thread::get_id();
  int onTaker = 0;
  for (int round = 0; round < 300; ++round) {
    int theirs = 0, mine = 0;
    std::thread::id ranOn;
    // Now and then one part or the other takes a while.
    auto pause = [&](int which) {
      if (round % 3 == which) std::this_thread::sleep_for(std::chrono::microseconds(200));
    };
    runBeside(
        [&] {
          pause(1);
          ranOn = std::this_thread::get_id();
          ++theirs;
        },
        [&] {
          pause(0);
          ++mine;
        });
    ASSERT_EQ(theirs, 1) << "round " << round;
    ASSERT_EQ(mine, 1) << "round " << round;
    onTaker += ranOn != caller;
  }
  stop = true;
  taker.join();
  EXPECT_EQ(onTaker, taken.load());
  EXPECT_GT(onTaker, 0) << "the idle thread never took a part";

  // With no idle thread the caller runs both.
  int both = 0;
  runBeside([&] { both += 1; }, [&] { both += 10; });
  EXPECT_EQ(both, 11);
  EXPECT_FALSE(sidePartOffered());
}

}  // namespace
