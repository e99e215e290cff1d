#include "graphics/drawthread.h"

#include <pthread.h>

#include <chrono>
#include <new>

#include "graphics/rasterfill.h"
#include "graphics/rasterline.h"
#include "platform/helperthread.h"
#include "runtime/programinit.h"
#include "runtime/sidework.h"
#include "runtime/spinwait.h"

namespace {

constexpr char DRAW_THREAD_NAME[] = "h3d drawing";

// Waits spin first (spinwait.h): the hander while jobs get done, this thread
// long enough to span the projection and sort between a picture's clear and
// its first line, taking parts of them on offer meanwhile.
constexpr auto HANDER_SPIN = std::chrono::milliseconds(5);
constexpr auto IDLE_SPIN = std::chrono::milliseconds(3);

// A settle shares the jobs left with this thread when there are at least
// this many: fewer are done sooner than the two could agree.
constexpr uint32_t SHARE_AT_LEAST = 256;

// Whether count `a` has reached `b`; counts wrap around.
inline bool reached(uint32_t a, uint32_t b) { return static_cast<int32_t>(a - b) >= 0; }

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
  drawing->jobs_.reset(new (std::nothrow) job[CAPACITY]);
  if (!drawing->jobs_) return nullptr;
  drawThread* started = drawing.get();
  drawing->thread_ = startHelperThread([started] { started->run(); });
  if (!drawing->thread_.joinable()) drawing.reset();
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
  slot.from = {CLEAR_MARK, 0};
  slot.brush = brush;
  ++handed_;
  publish();  // the thread starts on it while the picture is being worked out
}

void drawThread::settle() {
  publish();
  const uint32_t end = handed_;
  const uint32_t from = claimed_.exchange(end);
  if (from != end) {
    const bool shared = end - from >= SHARE_AT_LEAST;
    if (shared) {
      offerFrom_ = from;
      offerEnd_ = end;
      offer_.store(OFFERED);  // sequentially consistent with idle_, as in awaitWork
      if (idle_.load()) wake();
    }
    waitDone(from);  // the batch this thread may be drawing comes first
    drawJobs(from, end, shared ? lowerRows() : rowBand{});
    if (shared) {
      int32_t offered = OFFERED;
      if (offer_.compare_exchange_strong(offered, NO_OFFER))
        drawJobs(from, end, upperRows());  // not taken: this thread is asleep or busy
      else
        waitUntil([&] { return offer_.load() == DRAWN; });
      offer_.store(NO_OFFER, std::memory_order_relaxed);
    }
    done_.store(end, std::memory_order_release);
  }
  waitDone(end);
  doneSeen_ = end;
}

void drawThread::drawJobs(uint32_t from, uint32_t end, rowBand band) {
  for (uint32_t n = from; n != end; ++n) {
    const job& next = jobs_[n % CAPACITY];
    if (next.from.x == CLEAR_MARK)
      rasterFillAll(buffer_, next.brush, band);
    else
      rasterLine(buffer_, next.from, next.to, next.pen, band);
  }
}

void drawThread::makeRoom() {
  publish();
  waitDone(handed_ - CAPACITY + 1);
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

template <class Ready>
void drawThread::waitUntil(Ready ready) {
  if (spinUntil(ready, HANDER_SPIN)) return;
  std::unique_lock<std::mutex> hold(sleep_);
  waiting_.store(true);  // sequentially consistent with the stores tellWaiter follows
  finished_.wait(hold, ready);
  waiting_.store(false);
}

void drawThread::waitDone(uint32_t count) {
  waitUntil([&] { return reached(done_.load(), count); });
}

bool drawThread::awaitWork(uint32_t claimed) {
  auto ready = [&] {
    return queued_.load() != claimed || offer_.load() == OFFERED || sidePartOffered() || ending_.load();
  };
  if (!spinUntil(ready, IDLE_SPIN)) {
    std::unique_lock<std::mutex> hold(sleep_);
    idle_.store(true);
    work_.wait(hold, ready);
    idle_.store(false);
  }
  return !ending_.load();
}

// The upper rows of the jobs a settler offers, should it still offer them.
void drawThread::takeOffer() {
  int32_t offered = OFFERED;
  if (offer_.load(std::memory_order_relaxed) != OFFERED || !offer_.compare_exchange_strong(offered, TAKEN)) return;
  drawJobs(offerFrom_, offerEnd_, upperRows());
  offer_.store(DRAWN);
  tellWaiter();
}

void drawThread::tellWaiter() {
  if (waiting_.load()) {
    std::lock_guard<std::mutex> hold(sleep_);
    finished_.notify_one();
  }
}

void drawThread::run() {
  pthread_setname_np(pthread_self(), DRAW_THREAD_NAME);
  setFloatingPointControl();  // for the parts of the program's own work it takes
  for (;;) {
    takeOffer();
    if (takeSidePart()) continue;
    uint32_t from = claimed_.load(std::memory_order_acquire);
    const uint32_t queued = queued_.load(std::memory_order_acquire);
    if (queued == from) {
      if (!awaitWork(from)) return;
      continue;
    }
    const uint32_t end = queued - from > BATCH_SIZE ? from + BATCH_SIZE : queued;
    if (!claimed_.compare_exchange_strong(from, end)) continue;  // a settler took the rest
    drawJobs(from, end, {});
    done_.store(end);  // sequentially consistent with waiting_, as in waitUntil
    tellWaiter();
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
