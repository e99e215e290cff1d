#include "graphics/drawthread.h"

#include <pthread.h>
#include <sched.h>

#include <algorithm>
#include <cstdlib>
#include <utility>
#include <new>

#include "graphics/rasterfill.h"
#include "graphics/rasterline.h"
#include "platform/helperthread.h"
#include "runtime/programinit.h"

namespace {

constexpr char DRAW_THREAD_NAME[] = "h3d drawing";

// How often a waiter looks before it sleeps: a few microseconds, about what
// this thread takes over a batch of a picture's lines, so that a settler
// seldom sleeps waiting for the batch being drawn, and both sleep soon after
// a picture.
constexpr int32_t SPIN_TURNS = 256;

// Lines ahead whose rows are fetched (prefetchRows).
constexpr uint64_t PREFETCH_JOBS_AHEAD = 8;

inline void pause() {
#if defined(__x86_64__) || defined(__i386__)
  __builtin_ia32_pause();
#endif
}

// Returns `count` once it is at least `target`.
uint64_t waitUntilAtLeast(const std::atomic<uint64_t>& count, uint64_t target) {
  uint64_t seen = count.load(std::memory_order_acquire);
  for (int32_t turn = 0; seen < target && turn < SPIN_TURNS; ++turn) {
    pause();
    seen = count.load(std::memory_order_acquire);
  }
  while (seen < target) {
    count.wait(seen, std::memory_order_acquire);
    seen = count.load(std::memory_order_acquire);
  }
  return seen;
}

bool mayRunOnOneCpuOnly() {
  cpu_set_t cpus;
  return sched_getaffinity(0, sizeof cpus, &cpus) == 0 && CPU_COUNT(&cpus) < 2;
}

drawThread* threadOf(graphicTarget& target, const targetLock& held) {
  if (!target.drawer && !target.drawerTried) {
    target.drawerTried = true;
    const pixelBuffer buffer = target.settledPixels(held);
    if (buffer.pixels) target.drawer = drawThread::start(buffer);
    if (buffer.pixels && !target.drawer) target.drawer = drawThread::withoutThread(buffer);
  }
  return target.drawer.get();
}

}  // namespace

drawThread::drawThread(pixelBuffer buffer, uint32_t CAPACITY)
    : buffer_(buffer),
      capacity_(CAPACITY),
      batch_(std::min<uint64_t>(BATCH_SIZE, CAPACITY / 2)),
      publish_(std::min<uint64_t>(PUBLISH_SIZE, CAPACITY / 2)) {}

std::unique_ptr<drawThread> drawThread::start(pixelBuffer buffer, uint32_t CAPACITY) {
  if (CAPACITY < 2 || (CAPACITY & (CAPACITY - 1)) != 0 || mayRunOnOneCpuOnly()) return nullptr;
  std::unique_ptr<drawThread> drawing(new (std::nothrow) drawThread(buffer, CAPACITY));
  if (!drawing) return nullptr;
  drawing->jobs_.reset(new (std::nothrow) job[CAPACITY]);
  if (!drawing->jobs_) return nullptr;
  drawThread* started = drawing.get();
  drawing->thread_ = startHelperThread([started] { started->run(); });
  if (!drawing->thread_.joinable()) return nullptr;
  drawing->keepOffHandersCpu();
  return drawing;
}

std::unique_ptr<drawThread> drawThread::withoutThread(pixelBuffer buffer, uint32_t CAPACITY) {
  if (CAPACITY < 2 || (CAPACITY & (CAPACITY - 1)) != 0) return nullptr;
  std::unique_ptr<drawThread> drawing(new (std::nothrow) drawThread(buffer, CAPACITY));
  if (!drawing) return nullptr;
  drawing->jobs_.reset(new (std::nothrow) job[CAPACITY]);
  if (!drawing->jobs_) return nullptr;
  return drawing;
}

drawThread::~drawThread() {
  if (!thread_.joinable()) return;  // none, or start gave up before it ran: the buffer goes as it is
  settle();
  job& stop = nextSlot();
  stop.from = {stopMark, 0};
  ++handed_;
  publish();
  thread_.join();
}

void drawThread::clear(const rasterBrush& brush) {
  job& slot = nextSlot();
  slot.from = {CLEAR_MARK, 0};
  slot.brush = brush;
  ++handed_;
  publish();  // this thread clears while the hander works the picture out
}

// A woken thread is put beside its waker, and a scheduler that packs tasks
// onto few CPUs keeps it there: the two threads take turns on one core while
// the other idles. So this thread may run wherever the hander may (a
// taskset of the process holds) except on the hander's CPU, looked at again
// whenever the hander has moved. The hander's own affinity is left alone,
// and where nothing would be left, or a call fails, so is this thread's.
void drawThread::keepOffHandersCpu() {
  if (!thread_.joinable()) return;  // a ring without a thread
  const int cpu = sched_getcpu();
  if (cpu < 0 || cpu == handersCpu_) return;
  handersCpu_ = cpu;
  cpu_set_t cpus;
  if (sched_getaffinity(0, sizeof cpus, &cpus) != 0) return;
  CPU_CLR(cpu, &cpus);
  if (CPU_COUNT(&cpus) > 0) pthread_setaffinity_np(thread_.native_handle(), sizeof cpus, &cpus);
}

void drawThread::publish() {
  keepOffHandersCpu();  // before the wake, which would otherwise fetch this thread to the hander's CPU
  published_.store(handed_, std::memory_order_release);
  published_.notify_one();
}

void drawThread::settle() {
  const uint64_t end = handed_;
  // Published first, so that claimed never passes published; no need to
  // wake this thread for jobs the settler takes.
  published_.store(end, std::memory_order_release);
  const uint64_t from = claimed_.exchange(end, std::memory_order_acq_rel);
  if (from != end) {
    waitUntilAtLeast(done_, from);
    drawJobs(from, end);
    done_.store(end, std::memory_order_release);
  } else {
    waitUntilAtLeast(done_, end);
  }
  doneSeen_ = end;
}

namespace {

// The rows of a short line to be drawn soon are fetched ahead: a picture's
// lines fall all over a buffer larger than the caches, and their stores
// would otherwise wait for memory.
void prefetchRows(const pixelBuffer& buffer, pixelPoint from, pixelPoint to) {
  if (from.x < -PIXEL_LIMIT) return;  // a clear or the stop
  if (from.y > to.y) std::swap(from, to);
  const int32_t dy = to.y - from.y;
  if (dy > 64 || std::abs(to.x - from.x) > 64) return;  // long lines
  const float step = dy > 0 ? static_cast<float>(to.x - from.x) / static_cast<float>(dy) : 0;
  const int32_t first = std::max(from.y - 1, 0), last = std::min(to.y + 1, buffer.height - 1);
  for (int32_t y = first; y <= last; ++y) {
    const auto x = static_cast<int32_t>(static_cast<float>(from.x) + step * static_cast<float>(y - from.y));
    __builtin_prefetch(buffer.pixels + static_cast<size_t>(y) * buffer.width + std::clamp(x, 0, buffer.width - 1), 1);
  }
}

}  // namespace

bool drawThread::drawJobs(uint64_t from, uint64_t end) {
  for (uint64_t n = from; n != end; ++n) {
    if (n + PREFETCH_JOBS_AHEAD < end) {
      const job& soon = jobs_[(n + PREFETCH_JOBS_AHEAD) & (capacity_ - 1)];
      prefetchRows(buffer_, soon.from, soon.to);
    }
    const job& next = jobs_[n & (capacity_ - 1)];
    if (next.from.x == CLEAR_MARK)
      rasterFillAll(buffer_, next.brush);
    else if (next.from.x == stopMark)
      return false;
    else
      rasterLine(buffer_, next.from, next.to, next.pen);
  }
  return true;
}

void drawThread::run() {
  pthread_setname_np(pthread_self(), DRAW_THREAD_NAME);
  setFloatingPointControl();  // the rasterizer computes as on the program's own threads
  for (;;) {
    uint64_t from = claimed_.load(std::memory_order_acquire);
    const uint64_t published = waitUntilAtLeast(published_, from + 1);
    const uint64_t end = std::min(published, from + batch_);
    if (!claimed_.compare_exchange_strong(from, end, std::memory_order_acq_rel)) continue;  // a settler took them
    if (!drawJobs(from, end)) return;
    done_.store(end, std::memory_order_release);
    done_.notify_one();
  }
}

pixelBuffer graphicTarget::settledPixels(const targetLock&) {
  if (drawer) drawer->settle();
  return {pixels_.get(), pixels_ ? width : 0, pixels_ ? height : 0};
}

void drawFirstLine(graphicTarget& target, const targetLock& held, pixelPoint from, pixelPoint to,
                   const rasterPen& pen) {
  if (drawThread* drawing = threadOf(target, held))
    drawing->line(from, to, pen);
  else
    rasterLine(target.settledPixels(held), from, to, pen);
}

void clearSoon(graphicTarget& target, const targetLock& held, const rasterBrush& brush) {
  if (drawThread* drawing = threadOf(target, held))
    drawing->clear(brush);
  else
    rasterFillAll(target.settledPixels(held), brush);
}
