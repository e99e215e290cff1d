#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <thread>

#include "runtime/state.h"
#include "runtime/threadblock.h"

namespace {

bool allZero(const uint8_t* p, size_t n) {
  for (size_t i = 0; i < n; ++i)
    if (p[i] != 0) return false;
  return true;
}

// Each test leaves the thread without a block and the count as it found it.
class ThreadBlockTest : public ::testing::Test {
 protected:
  void SetUp() override {
    releaseThreadBlock();
    runtime.mainThreadBlock = nullptr;
    before = runtime.threadBlockCount.load();
  }
  void TearDown() override {
    releaseThreadBlock();
    runtime.mainThreadBlock = nullptr;
  }
  int32_t before = 0;
};

TEST_F(ThreadBlockTest, CreatedOnceAndCounted) {
  threadBlock* block = getThreadBlock();
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(getThreadBlock(), block);
  EXPECT_EQ(runtime.threadBlockCount.load(), before + 1);
  EXPECT_EQ(block->currentTarget, 0u);
  EXPECT_EQ(block->ownedHandle, -1);
  EXPECT_TRUE(allZero(reinterpret_cast<const uint8_t*>(block), THREAD_FONT_AREA));
  releaseThreadBlock();
  EXPECT_EQ(runtime.threadBlockCount.load(), before);
  releaseThreadBlock();  // nothing left to free
  EXPECT_EQ(runtime.threadBlockCount.load(), before);
}

TEST_F(ThreadBlockTest, OtherThreadsCopyTheMainFontArea) {
  threadBlock* main = getThreadBlock();
  ASSERT_NE(main, nullptr);
  std::memcpy(main->fontFace, u"MS Sans Serif", sizeof main->fontFace);
  main->fontSize = 8;
  main->fontReserved[41] = 0x5A;  // the last byte of the font area travels too
  main->currentTarget = 1234;     // outside it: stays with the main thread
  runtime.mainThreadBlock = main;

  threadBlock copy{};
  threadBlock* other = nullptr;
  int32_t countInside = 0;
  std::thread worker([&] {
    other = getThreadBlock();
    if (other != nullptr) copy = *other;
    countInside = runtime.threadBlockCount.load();
    releaseThreadBlock();
  });
  worker.join();
  ASSERT_NE(other, nullptr);
  EXPECT_NE(other, main);
  EXPECT_EQ(countInside, before + 2);
  EXPECT_EQ(runtime.threadBlockCount.load(), before + 1);
  EXPECT_EQ(std::memcmp(&copy, main, THREAD_FONT_AREA), 0);
  EXPECT_EQ(std::u16string(copy.fontFace), u"MS Sans Serif");
  EXPECT_EQ(copy.fontSize, 8);
  EXPECT_EQ(copy.currentTarget, 0u);
  EXPECT_TRUE(allZero(copy.unused, sizeof copy.unused));
}

TEST_F(ThreadBlockTest, WithoutAMainBlockNewBlocksAreBlank) {
  threadBlock copy{};
  copy.fontSize = 99;
  std::thread worker([&] {
    threadBlock* b = getThreadBlock();
    if (b != nullptr) copy = *b;
    releaseThreadBlock();
  });
  worker.join();
  EXPECT_TRUE(allZero(reinterpret_cast<const uint8_t*>(&copy), THREAD_FONT_AREA));
}

TEST_F(ThreadBlockTest, AThreadThatEndsReleasesItsBlock) {
  std::thread worker([] { (void)getThreadBlock(); });
  worker.join();
  EXPECT_EQ(runtime.threadBlockCount.load(), before);
}

TEST_F(ThreadBlockTest, ReleasingClosesTheOwnedHandle) {
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  close(fds[1]);
  threadBlock* block = getThreadBlock();
  ASSERT_NE(block, nullptr);
  block->ownedHandle = fds[0];
  releaseThreadBlock();
  errno = 0;
  EXPECT_EQ(fcntl(fds[0], F_GETFD), -1);
  EXPECT_EQ(errno, EBADF);
}

TEST_F(ThreadBlockTest, ReleasingTheMainBlockForgetsIt) {
  runtime.mainThreadBlock = getThreadBlock();
  releaseThreadBlock();
  EXPECT_EQ(runtime.mainThreadBlock, nullptr);
}

}  // namespace
