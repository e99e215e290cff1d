#include "graphics/drawthread.h"

#include <pthread.h>
#include <signal.h>

#include <chrono>
#include <new>
#include <system_error>

#include "graphics/rasterfill.h"
#include "graphics/rasterline.h"

namespace {

constexpr char DRAW_THREAD_NAME[] = "h3d drawing";

// A wakeup from sleep can take a millisecond on a virtual machine, longer
// than many a wait, so each side spins before it sleeps: the hander while
// jobs get done, this thread for long enough to span the projection and
// sort between a picture's clear and its first line.
constexpr auto handerSpin = std::chrono::milliseconds(5);
constexpr auto idleSpin = std::chrono::milliseconds(3);

// Asks `ready` until it says yes or `spin` is up; whether it did.
template <class Ready>
bool spinUntil(Ready ready, std::chrono::steady_clock::duration spin) {
  const auto until = std::chrono::steady_clock::now() + spin;
  for (;;) {
    for (int32_t i = 0; i < 64; ++i) {
      if (ready()) return true;
#if defined(__x86_64__) || defined(__i386__)
      __builtin_ia32_pause();
#endif
    }
    if (std::chrono::steady_clock::now() >= until) return false;
  }
}

// A settle shares the jobs left with this thread when there are at least
// this many: fewer are done sooner than the two could agree.
constexpr uint32_t shareAtLeast = 256;

// Whether count `a` has reached `b`; counts wrap around.
inline bool reached(uint32_t a, uint32_t b) { return static_cast<int32_t>(a - b) >= 0; }

pixelBuffer bufferOf(const graphicTarget& t) {
  return {t.pixels.get(), t.pixels ? t.width : 0, t.pixels ? t.height : 0};
}

drawThread* threadOf(graphicTarget& target) {
  if (!target.drawer && !target.drawerTried && target.pixels) {
    target.drawerTried = true;
    target.drawer = drawThread::start(bufferOf(target));
  }
  return target.drawer.get();
}

}  // namespace

drawThread::drawThread(pixelBuffer buffer) : buffer_(buffer) {}

std::unique_ptr<drawThread> drawThread::start(pixelBuffer buffer) {
  std::unique_ptr<drawThread> drawing(new (std::nothrow) drawThread(buffer));
  if (!drawing) return nullptr;
  drawing->jobs_.reset(new (std::nothrow) job[capacity]);
  if (!drawing->jobs_) return nullptr;
  // Signals are for the program's own threads, not this one.
  sigset_t all, previous;
  sigfillset(&all);
  pthread_sigmask(SIG_BLOCK, &all, &previous);
  try {
    drawing->thread_ = std::thread(&drawThread::run, drawing.get());
  } catch (const std::system_error&) {
    drawing.reset();
  }
  pthread_sigmask(SIG_SETMASK, &previous, nullptr);
  return drawing;
}

drawThread::~drawThread() {
  {
    std::lock_guard<std::mutex> hold(sleep_);
    ending_.store(true);
  }
  work_.notify_one();
  thread_.join();
}

void drawThread::clear(const rasterBrush& brush) {
  job& slot = nextSlot();
  slot.from = {clearMark, 0};
  slot.brush = brush;
  ++handed_;
  publish();  // the thread starts on it while the picture is being worked out
}

void drawThread::settle() {
  publish();
  const uint32_t end = handed_;
  if (end - done_.load(std::memory_order_acquire) >= shareAtLeast && share(end)) {
    // The lower rows of the shared jobs; this thread draws the upper.
    drawJobs(sharedFrom_.load(std::memory_order_relaxed), end, lowerRows());
  }
  waitDone(end);
}

// Offers this thread to share the jobs up to `end`; whether it took the
// offer (else it has drawn them all meanwhile).
bool drawThread::share(uint32_t end) {
  shareAnswered_.store(false, std::memory_order_relaxed);
  shareWanted_.store(true);  // sequentially consistent with idle_, as in awaitWork
  if (idle_.load()) wake();
  for (;;) {
    if (shareAnswered_.load(std::memory_order_acquire)) return true;
    // Done before it saw the offer: take it back, unless it just took it.
    if (reached(done_.load(std::memory_order_acquire), end) && shareWanted_.exchange(false)) return false;
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#endif
  }
}

void drawThread::drawJobs(uint32_t from, uint32_t end, rowBand band) {
  for (uint32_t n = from; n != end; ++n) {
    const job& next = jobs_[n % capacity];
    if (next.from.x == clearMark)
      rasterFillAll(buffer_, next.brush, band);
    else
      rasterLine(buffer_, next.from, next.to, next.pen, band);
  }
}

void drawThread::makeRoom() {
  publish();
  waitDone(handed_ - capacity + 1);
  doneSeen_ = done_.load(std::memory_order_acquire);
}

void drawThread::publish() {
  if (queued_.load(std::memory_order_relaxed) == handed_) return;
  queued_.store(handed_);  // sequentially consistent with idle_, as in awaitWork
  if (idle_.load()) wake();
}

// A batch in the middle of a picture goes without the fence: should this
// thread miss it on its way to sleep, the next batch, or the fenced publish
// that precedes every wait for it, wakes it.
void drawThread::publishBatch() {
  queued_.store(handed_, std::memory_order_release);
  if (idle_.load(std::memory_order_relaxed)) wake();
}

void drawThread::wake() {
  std::lock_guard<std::mutex> hold(sleep_);
  work_.notify_one();
}

void drawThread::waitDone(uint32_t count) {
  if (spinUntil([&] { return reached(done_.load(std::memory_order_acquire), count); }, handerSpin)) return;
  std::unique_lock<std::mutex> hold(sleep_);
  waiting_.store(true);
  finished_.wait(hold, [&] { return reached(done_.load(), count); });
  waiting_.store(false);
}

bool drawThread::awaitWork(uint32_t done) {
  auto ready = [&] {
    return queued_.load(std::memory_order_acquire) != done || shareWanted_.load() || ending_.load();
  };
  if (!spinUntil(ready, idleSpin)) {
    std::unique_lock<std::mutex> hold(sleep_);
    idle_.store(true);
    work_.wait(hold, ready);
    idle_.store(false);
  }
  return !ending_.load();
}

void drawThread::run() {
  pthread_setname_np(pthread_self(), DRAW_THREAD_NAME);
  uint32_t done = 0;
  uint32_t sharedEnd = 0;  // jobs done..sharedEnd are shared: only their upper rows are drawn here
  for (;;) {
    if (shareWanted_.load(std::memory_order_relaxed) && shareWanted_.exchange(false)) {
      sharedEnd = queued_.load(std::memory_order_acquire);  // the settler has handed over all
      sharedFrom_.store(done, std::memory_order_relaxed);
      shareAnswered_.store(true, std::memory_order_release);
    }
    const uint32_t queued = queued_.load(std::memory_order_acquire);
    if (queued == done) {
      if (!awaitWork(done)) return;
      continue;
    }
    const uint32_t end = queued - done > batchSize ? done + batchSize : queued;
    if (reached(done, sharedEnd)) {
      drawJobs(done, end, {});
    } else {
      const uint32_t sharedPart = reached(end, sharedEnd) ? sharedEnd : end;
      drawJobs(done, sharedPart, upperRows());
      drawJobs(sharedPart, end, {});
    }
    done = end;
    done_.store(done);  // sequentially consistent with waiting_, as in waitDone
    if (waiting_.load()) {
      std::lock_guard<std::mutex> hold(sleep_);
      finished_.notify_one();
    }
  }
}

void drawFirstLine(graphicTarget& target, pixelPoint from, pixelPoint to, const rasterPen& pen) {
  if (drawThread* drawing = threadOf(target))
    drawing->line(from, to, pen);
  else
    rasterLine(bufferOf(target), from, to, pen);
}

void clearSoon(graphicTarget& target, const rasterBrush& brush) {
  if (drawThread* drawing = threadOf(target))
    drawing->clear(brush);
  else
    rasterFillAll(bufferOf(target), brush);
}

void settleDrawing(graphicTarget& target) {
  if (target.drawer) target.drawer->settle();
}
