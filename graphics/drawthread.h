#pragma once
#include <atomic>
#include <cstdint>
#include <memory>
#include <thread>

#include "graphics/raster.h"

// Draws a back buffer's lines and clears on a thread of its own, in the
// order they are handed over, while the hander goes on with the picture:
// they are most of a picture's cost, and the machine may have a second core
// for them.
//
// The hand-over. Jobs are numbered from 0 in the order they are handed
// over; job n lives in slot n % CAPACITY of the ring. Four counts, 64 bits
// so that they never wrap, cut the numbers into
//
//   [0, done)             drawn
//   [done, claimed)       being drawn, by this thread or by a settler
//   [claimed, published)  waiting: this thread may take them
//   [published, handed)   written into the ring, not yet published
//
// and done <= claimed <= published <= handed at every moment.
// - handed_ and published_ are the hander's (the holder of the target's
//   lock). It publishes a stretch of PUBLISH_SIZE jobs at a time, and a
//   clear at once; a frame of an animation hands one line over and
//   settles, and so never wakes this thread. This thread draws faster than
//   the hander makes lines, so it sleeps once per stretch instead of
//   spinning for every batch.
// - claimed_ is moved on by this thread, a batch at a time with a
//   compare-exchange, and by a settler, which exchanges in `handed` and so
//   takes every job not yet begun.
// - done_ is stored by whoever drew the jobs below it: this thread after
//   its batch; a settler after done_ has reached what it took over (the
//   batch this thread was drawing comes first) and it has drawn the rest.
// A settle therefore leaves done == handed: the buffer holds every job. A
// full ring settles too. Slot n is written again only once done has passed
// it, so the two threads never touch a slot at once. Without a thread
// (withoutThread) only settlers claim and draw: done == claimed between them.
// Waiting: this thread for published_ to pass claimed, a settler for done_
// to reach a count. Either spins for about as long as the other takes over
// a batch, then sleeps in std::atomic::wait; every store that a sleeper may
// wait for is followed by a notify, which costs next to nothing when nobody
// sleeps. The owner ends the thread by handing over a stop job.
// Where it runs: on the CPUs the hander may use, but not the one the hander
// was on at its last publish (keepOffHandersCpu).
class drawThread {
 public:
  // A thread drawing into `buffer` with a ring of `CAPACITY` jobs (a power
  // of two, at least 2), or null when no thread or ring can be had, or the
  // process may run on one CPU only (a second thread would only take turns
  // with the first).
  static std::unique_ptr<drawThread> start(pixelBuffer buffer, uint32_t CAPACITY = DEFAULT_CAPACITY);
  // The same ring without a thread, where start gives none: the jobs wait
  // until a settle (or a full ring) draws them on the caller's thread, a
  // batch at a time with the rows of the next lines fetched ahead, instead
  // of each line's stores holding up the next call's lock. Null without
  // the memory.
  static std::unique_ptr<drawThread> withoutThread(pixelBuffer buffer, uint32_t CAPACITY = UNTHREADED_CAPACITY);
  ~drawThread();  // draws what is left, then stops the thread
  drawThread(const drawThread&) = delete;
  drawThread& operator=(const drawThread&) = delete;

  inline void line(pixelPoint from, pixelPoint to, const rasterPen& pen);
  void clear(const rasterBrush& brush);
  // Returns once every job handed over is drawn; the jobs this thread has
  // not begun the caller draws itself.
  void settle();

  // A third of a level-5 picture's lines (1 MiB): the hander runs ahead
  // while this thread wakes and seldom finds the ring full; when it does,
  // its settle draws what waits.
  static constexpr uint32_t DEFAULT_CAPACITY = 1 << 15;
  static constexpr uint32_t BATCH_SIZE = 128;     // claimed at a time by this thread
  static constexpr uint32_t PUBLISH_SIZE = 8192;  // about 0.2 ms of this thread's work
  // Small enough to stay in the caller's cache.
  static constexpr uint32_t UNTHREADED_CAPACITY = 1 << 10;

 private:
  // A line, or a clear or the stop where from.x is such a mark (no line's
  // coordinate).
  struct job {
    pixelPoint from, to;
    union {
      rasterPen pen;
      rasterBrush brush;
    };
  };
  static constexpr uint64_t PREFETCH_AHEAD = 32;
  static constexpr int32_t CLEAR_MARK = INT32_MIN, stopMark = INT32_MIN + 1;
  static_assert(stopMark < -PIXEL_LIMIT && sizeof(job) == 32);

  drawThread(pixelBuffer buffer, uint32_t CAPACITY);
  inline job& nextSlot();
  void keepOffHandersCpu();
  void publish();
  bool drawJobs(uint64_t from, uint64_t end);  // false at the stop job
  void run();

  const pixelBuffer buffer_;
  const uint64_t capacity_;
  const uint64_t batch_;    // BATCH_SIZE, or half a ring smaller than two batches
  const uint64_t publish_;  // PUBLISH_SIZE, or half a ring smaller than two of them
  std::unique_ptr<job[]> jobs_;
  // Each count has a cache line of its own, so that the cores do not trade
  // one line for every job.
  alignas(64) std::atomic<uint64_t> published_{0};
  alignas(64) std::atomic<uint64_t> claimed_{0};
  alignas(64) std::atomic<uint64_t> done_{0};
  alignas(64) uint64_t handed_ = 0;  // the hander's alone
  uint64_t doneSeen_ = 0;            // the hander's last look at done_
  int handersCpu_ = -1;              // the hander's, where it last kept this thread off
  std::thread thread_;
};

// Fetches a cache line to be written, taking it from another core's cache
// (a plain prefetch would only share it there).
inline void prefetchForWriting(const void* at) {
#if defined(__x86_64__)
  asm volatile("prefetchw %0" : : "m"(*static_cast<const char*>(at)));
#else
  __builtin_prefetch(at, 1);
#endif
}

inline drawThread::job& drawThread::nextSlot() {
  if (handed_ - doneSeen_ >= capacity_) {
    doneSeen_ = done_.load(std::memory_order_acquire);
    if (handed_ - doneSeen_ >= capacity_) settle();
  }
  // The slot was last read on the other core: fetched ahead, its store does
  // not hold up the target's lock, which waits for every pending store.
  prefetchForWriting(&jobs_[(handed_ + PREFETCH_AHEAD) & (capacity_ - 1)]);
  return jobs_[handed_ & (capacity_ - 1)];
}

inline void drawThread::line(pixelPoint from, pixelPoint to, const rasterPen& pen) {
  job& slot = nextSlot();
  slot.from = from;
  slot.to = to;
  // Field by field: the pen is made of narrower values just before, and a
  // whole copy would load it back from the stack before they are stored.
  slot.pen.width = pen.width;
  slot.pen.style = pen.style;
  slot.pen.pixel = pen.pixel;
  slot.pen.gapPixel = pen.gapPixel;
  if ((++handed_ & (publish_ - 1)) == 0) publish();
}

// For the holder of the target's lock: a line or clear of the target's
// buffer, handed to its drawing thread (started with the first job) or to
// a ring without one, or drawn at once where neither can be had.
void drawFirstLine(graphicTarget& target, const targetLock& held, pixelPoint from, pixelPoint to,
                   const rasterPen& pen);  // or any without a ring
inline void drawLineSoon(graphicTarget& target, const targetLock& held, pixelPoint from, pixelPoint to,
                         const rasterPen& pen) {
  if (target.drawer)
    target.drawer->line(from, to, pen);
  else
    drawFirstLine(target, held, from, to, pen);
}
void clearSoon(graphicTarget& target, const targetLock& held, const rasterBrush& brush);
