// Lines are drawn on a thread of the target's own and settled when the
// buffer is read; whatever the timing, the buffer must come out as the
// rasterizer drawing every job in order on one thread makes it.
#include <gtest/gtest.h>
#include <sched.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "graphics/drawing.h"
#include "graphics/drawthread.h"
#include "graphics/rasterfill.h"
#include "graphics/rasterline.h"
#include "tests/graphics/graphics_support.h"
#include "tests/support/process.h"

namespace {

constexpr int32_t width = 300, height = 200;

// A line somewhere near the buffer: mostly short ones, some long ones that
// leave it on either side.
pixelPoint somePoint(std::mt19937& random) {
  std::uniform_int_distribution<int32_t> x(-40, width + 40), y(-40, height + 40);
  return {x(random), y(random)};
}

pixelPoint nearPoint(std::mt19937& random, pixelPoint p) {
  std::uniform_int_distribution<int32_t> step(-12, 12);
  return {p.x + step(random), p.y + step(random)};
}

// The first pixel (x + y * width) where two pictures differ, or -1; the
// second may hold colours rather than pixels.
int64_t firstDifference(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b, bool bHoldsColours = false) {
  if (a.size() != b.size()) return 0;
  for (size_t i = 0; i < a.size(); ++i)
    if (a[i] != (bHoldsColours ? pixelOf(b[i]) : b[i])) return static_cast<int64_t>(i);
  return -1;
}

TEST(DrawingThread, BuffersComeOutAsTheRasterizerDrawingEveryJobInOrder) {
  attachedBitmap bitmap(width, height);
  std::vector<uint32_t> reference(static_cast<size_t>(width) * height, pixelOf(FACE));
  const pixelBuffer expected{reference.data(), width, height};
  std::mt19937 random(3);
  pixelPoint at{0, 0};
  int32_t penWidth = 0;
  uint32_t penStyle = 0;
  for (int round = 0; round < 40; ++round) {
    // Enough lines between two reads that the read finds many not begun.
    const int lines = round % 4 == 0 ? 3 : 2000;
    for (int n = 0; n < lines; ++n) {
      if (random() % 500 == 0) {
        penWidth = static_cast<int32_t>(random() % 6);
        penStyle = static_cast<uint32_t>(random() % 5);
        graphicSetPenWidth(penWidth);
        graphicSetPenStyle(penStyle);
      }
      if (random() % 3000 == 0) {
        const auto colour = static_cast<int32_t>(random() & 0xFFFFFF);
        graphicClear(colour, 0);
        rasterFillAll(expected, {brushKind::solid, pixelOf(static_cast<uint32_t>(colour)), 0, 0});
        at = {0, 0};
      }
      if (random() % 4 == 0) {
        at = somePoint(random);
        graphicSetPos(at.x, at.y, false);
      }
      const pixelPoint to = random() % 10 == 0 ? somePoint(random) : nearPoint(random, at);
      const auto colour = static_cast<uint32_t>(random() & 0xFFFFFF);
      graphicLineTo(to.x, to.y, static_cast<int32_t>(colour), false);
      rasterLine(expected, at, to, {penWidth, penStyle, pixelOf(colour), pixelOf(FACE)});
      at = to;
    }
    ASSERT_EQ(firstDifference(reference, bitmap.pixels().pixels, true), -1) << "after round " << round;
  }
}

// The threads of this process that carry the drawing thread's name.
std::vector<pid_t> drawingThreads() {
  std::vector<pid_t> found;
  for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
    std::string name;
    std::getline(std::ifstream(task.path() / "comm"), name);
    if (name == "h3d drawing") found.push_back(std::stoi(task.path().filename()));
  }
  return found;
}

// A ring far smaller than a picture fills again and again; the hander's
// settles and a second thread's (under the same lock, as a paint takes the
// target's) must each find the buffer holding exactly the jobs handed over.
TEST(DrawingThread, ATinyRingFillsAndSettlesFromTwoThreadsInOrder) {
  // With a thread and without one, where only the settles draw.
  for (const bool threaded : {true, false}) {
    SCOPED_TRACE(threaded ? "with a thread" : "without a thread");
    std::vector<uint32_t> pixels(static_cast<size_t>(width) * height, 0);
    const pixelBuffer buffer{pixels.data(), width, height};
    std::unique_ptr<drawThread> drawing = threaded ? drawThread::start(buffer, 4) : drawThread::withoutThread(buffer, 4);
    if (!drawing) continue;  // one CPU: no thread
    struct job {
      pixelPoint from, to;
      rasterPen pen;
      bool clear;
    };
    std::vector<job> jobs;
    std::mt19937 random(11);
    for (int n = 0; n < 20000; ++n) {
      const pixelPoint from = somePoint(random);
      const auto colour = static_cast<uint32_t>(random() & 0xFFFFFF);
      jobs.push_back({from, nearPoint(random, from), {static_cast<int32_t>(random() % 5), 0, colour, 0}, n % 997 == 0});
    }
    std::mutex lock;
    size_t handed = 0;
    struct snapshot {
      size_t handed;
      std::vector<uint32_t> pixels;
    };
    std::vector<snapshot> seen;
    std::atomic<bool> finished{false};
    std::atomic<size_t> looks{0};
    std::thread reader([&] {
      while (!finished.load()) {
        {
          std::lock_guard<std::mutex> hold(lock);
          drawing->settle();
          if (seen.size() < 40) seen.push_back({handed, pixels});
        }
        ++looks;
        std::this_thread::sleep_for(std::chrono::microseconds(300));
      }
    });
    for (const job& j : jobs) {
      {
        std::lock_guard<std::mutex> hold(lock);
        if (j.clear)
          drawing->clear({brushKind::solid, j.pen.pixel, j.pen.pixel, 0});
        else
          drawing->line(j.from, j.to, j.pen);
        if (++handed % 1500 == 0) drawing->settle();
      }
      // Now and then the second thread is let in, however busy the machine.
      if (handed % 1000 == 0)
        for (const size_t before = looks.load(); looks.load() == before;) std::this_thread::yield();
    }
    finished = true;
    reader.join();
    drawing->settle();
    seen.push_back({handed, pixels});

    std::vector<uint32_t> reference(pixels.size(), 0);
    const pixelBuffer expected{reference.data(), width, height};
    size_t replayed = 0;
    for (const snapshot& s : seen) {
      for (; replayed < s.handed; ++replayed) {
        const job& j = jobs[replayed];
        if (j.clear)
          rasterFillAll(expected, {brushKind::solid, j.pen.pixel, j.pen.pixel, 0});
        else
          rasterLine(expected, j.from, j.to, j.pen);
      }
      ASSERT_EQ(firstDifference(reference, s.pixels), -1) << "after " << s.handed << " jobs";
    }
    EXPECT_GT(seen.size(), 2u) << "the second thread never settled";
  }
}

// Where the process may use one CPU only, a drawing thread could only take
// turns with the caller: the lines are drawn on the caller's thread.
TEST(DrawingThread, NoneIsStartedWhereTheProcessHasOneCpu) {
  cpu_set_t all;
  ASSERT_EQ(sched_getaffinity(0, sizeof all, &all), 0);
  if (CPU_COUNT(&all) < 2) GTEST_SKIP() << "one CPU";
  for (const bool oneCpu : {true, false}) {
    cpu_set_t use;
    CPU_ZERO(&use);
    for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu)
      if (CPU_ISSET(cpu, &all) && (!oneCpu || CPU_COUNT(&use) == 0)) CPU_SET(cpu, &use);
    ASSERT_EQ(sched_setaffinity(0, sizeof use, &use), 0);
    attachedBitmap bitmap(width, height);
    graphicSetPos(5, 5, false);
    graphicLineTo(50, 60, RED, false);
    // The thread names itself once it runs.
    if (oneCpu)
      std::this_thread::sleep_for(std::chrono::milliseconds(200));
    else
      waitFor([] { return !drawingThreads().empty(); });
    EXPECT_EQ(drawingThreads().size(), oneCpu ? 0u : 1u) << (oneCpu ? "one CPU" : "two CPUs");
    EXPECT_EQ(bitmap.pixels().count(RED), 55u);  // a pixel a step, the last left out
  }
  ASSERT_EQ(sched_setaffinity(0, sizeof all, &all), 0);
}

// A woken thread is put beside the thread that woke it, where the two would
// only take turns: the drawing thread keeps off the hander's CPU wherever
// the hander moves, within the CPUs the process may use, also where they
// have been narrowed.
TEST(DrawingThread, KeepsOffTheHandersCpuWithinTheProcesssCpus) {
  cpu_set_t all;
  ASSERT_EQ(sched_getaffinity(0, sizeof all, &all), 0);
  if (CPU_COUNT(&all) < 2) GTEST_SKIP() << "one CPU";
  for (const bool narrowed : {false, true}) {
    SCOPED_TRACE(narrowed ? "two CPUs" : "every CPU");
    cpu_set_t allowed = all;
    if (narrowed) {
      CPU_ZERO(&allowed);
      for (int cpu = 0; CPU_COUNT(&allowed) < 2; ++cpu)
        if (CPU_ISSET(cpu, &all)) CPU_SET(cpu, &allowed);
    }
    ASSERT_EQ(sched_setaffinity(0, sizeof allowed, &allowed), 0);
    std::vector<uint32_t> pixels(static_cast<size_t>(width) * height, 0);
    const std::vector<pid_t> others = drawingThreads();
    const std::unique_ptr<drawThread> drawing = drawThread::start({pixels.data(), width, height});
    ASSERT_TRUE(drawing);
    pid_t thread = 0;
    ASSERT_TRUE(waitFor([&] {
      for (const pid_t task : drawingThreads())
        if (std::find(others.begin(), others.end(), task) == others.end()) thread = task;
      return thread != 0;
    }));
    for (int moveTo = 0; moveTo < CPU_SETSIZE; ++moveTo) {
      if (!CPU_ISSET(moveTo, &allowed)) continue;
      cpu_set_t there;
      CPU_ZERO(&there);
      CPU_SET(moveTo, &there);
      ASSERT_EQ(sched_setaffinity(0, sizeof there, &there), 0);  // the hander goes there, free to move again
      ASSERT_EQ(sched_setaffinity(0, sizeof allowed, &allowed), 0);
      // It may move between its publish and the look: looked at again until
      // it stayed on one CPU throughout.
      int handersCpu = -1;
      cpu_set_t drawers;
      for (int tries = 0; tries < 100 && handersCpu < 0; ++tries) {
        const int before = sched_getcpu();
        drawing->clear({brushKind::solid, pixelOf(RED), 0, 0});
        drawing->settle();
        ASSERT_EQ(sched_getaffinity(thread, sizeof drawers, &drawers), 0);
        if (sched_getcpu() == before) handersCpu = before;
      }
      ASSERT_GE(handersCpu, 0) << "the hander never stayed put";
      EXPECT_FALSE(CPU_ISSET(handersCpu, &drawers)) << "the drawing thread may run on the hander's CPU " << handersCpu;
      cpu_set_t within;
      CPU_AND(&within, &drawers, &allowed);
      EXPECT_TRUE(CPU_EQUAL(&within, &drawers)) << "the drawing thread may run outside the process's CPUs";
    }
  }
  ASSERT_EQ(sched_setaffinity(0, sizeof all, &all), 0);
}

// Where no thread can be started, every line is drawn on the caller's
// thread: the test above, run again in a process that refuses threads.
TEST(DrawingThread, WithoutAThreadTheCallerDrawsEveryLine) {
  const std::string self = std::filesystem::read_symlink("/proc/self/exe");
  const programResult run =
      runProgram(commandLine{self, "--gtest_filter=DrawingThread.BuffersComeOutAsTheRasterizerDrawingEveryJobInOrder"},
                 true, {"LD_PRELOAD=" REFUSE_THREADS_SHIM, "REFUSE_THREADS_AFTER=0", "ASAN_OPTIONS=verify_asan_link_order=0"});
  EXPECT_EQ(run.status, 0) << run.output;
  // A filter that names no test would pass as well.
  EXPECT_NE(run.output.find("[  PASSED  ] 1 test."), std::string::npos) << run.output;
}

}  // namespace
