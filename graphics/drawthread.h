#pragma once
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

#include "graphics/raster.h"

// Draws a back buffer's lines and clears on a thread of its own, in the
// order they are handed over, while the main thread goes on with the
// picture: they are most of a picture's cost, and the machine has a second
// core for them.
//
// The holder of the target's lock hands jobs over and waits for them
// (settle); whatever else reads or writes the buffer settles first, so the
// buffer is whole whenever anything looks at it.
class drawThread {
 public:
  // A thread drawing into `buffer`, or null when none can be started.
  static std::unique_ptr<drawThread> start(pixelBuffer buffer);
  ~drawThread();  // jobs not yet done are dropped with the buffer
  drawThread(const drawThread&) = delete;
  drawThread& operator=(const drawThread&) = delete;

  inline void line(pixelPoint from, pixelPoint to, const rasterPen& pen);
  void clear(const rasterBrush& brush);
  // Returns once every job handed over is done. The caller takes the jobs
  // this thread has not started on: many of them it shares, drawing the
  // lower half of their rows while this thread draws the upper half; the
  // rest, or the whole when this thread is slow to wake, it draws itself.
  void settle();

 private:
  // A line, or a clear where from.x is CLEAR_MARK (no line's coordinate).
  struct job {
    pixelPoint from, to;
    union {
      rasterPen pen;
      rasterBrush brush;
    };
  };
  static constexpr int32_t CLEAR_MARK = INT32_MIN;
  static_assert(CLEAR_MARK < -PIXEL_LIMIT && sizeof(job) == 32);
  // Room for a second or so of a picture's lines: the hander runs ahead of
  // this thread while it wakes.
  static constexpr uint32_t CAPACITY = 1 << 17;

  // Jobs given and done are published in batches; slots are fetched this
  // far ahead.
  static constexpr uint32_t BATCH_SIZE = 32;
  static constexpr uint32_t PREFETCH_AHEAD = 16;

  // A settler's offer of the upper rows of the jobs it took.
  enum offerState : int32_t { NO_OFFER, OFFERED, TAKEN, DRAWN };

  explicit drawThread(pixelBuffer buffer);
  inline job& nextSlot();
  void makeRoom();
  void publish();
  void publishBatch();
  void wake();
  template <class Ready>
  void waitUntil(Ready ready);
  void waitDone(uint32_t count);
  void drawJobs(uint32_t from, uint32_t end, rowBand band);
  rowBand upperRows() const { return {0, buffer_.height / 2 - 1}; }
  rowBand lowerRows() const { return {buffer_.height / 2, INT32_MAX}; }
  bool awaitWork(uint32_t claimed);  // false when the thread is to end
  void takeOffer();
  void tellWaiter();
  void run();

  pixelBuffer buffer_;
  std::unique_ptr<job[]> jobs_;  // a ring: job n in slot n % CAPACITY
  // Counts of jobs handed over, taken (by this thread a batch at a time,
  // or by a settler), and done, which wrap around together. Each has a
  // cache line of its own, so that the two cores do not trade a line for
  // every job.
  alignas(64) std::atomic<uint32_t> queued_{0};
  alignas(64) std::atomic<uint32_t> claimed_{0};
  alignas(64) std::atomic<uint32_t> done_{0};
  alignas(64) uint32_t handed_ = 0;  // the hander's: jobs given, published or not
  uint32_t doneSeen_ = 0;            // the hander's last look at done_
  std::atomic<int32_t> offer_{NO_OFFER};
  uint32_t offerFrom_ = 0, offerEnd_ = 0;  // written before OFFERED is stored
  // Sleeping is the slow path: the flags say when a wakeup is owed.
  std::atomic<bool> idle_{false}, waiting_{false}, ending_{false};
  std::mutex sleep_;
  std::condition_variable work_, finished_;
  std::thread thread_;
};

// The slot for the next job, which is handed over once filled in (a line
// is handed over inline: a picture has a hundred thousand of them).
inline drawThread::job& drawThread::nextSlot() {
  const uint32_t handed = handed_;
  if (handed - doneSeen_ >= CAPACITY) makeRoom();
  // The slots were last read by the other core: fetching them ahead keeps
  // the target's lock, which waits for pending stores, from waiting on them.
  __builtin_prefetch(&jobs_[(handed + PREFETCH_AHEAD) % CAPACITY], 1);
  return jobs_[handed % CAPACITY];
}

inline void drawThread::line(pixelPoint from, pixelPoint to, const rasterPen& pen) {
  job& slot = nextSlot();
  slot.from = from;
  slot.to = to;
  slot.pen = pen;
  if (++handed_ % BATCH_SIZE == 0) publishBatch();
}

// For the holder of the target's lock: a line or clear of the target's
// buffer, handed to its drawing thread (started with the first job), or
// drawn at once where no thread can be had.
void drawFirstLine(graphicTarget& target, pixelPoint from, pixelPoint to, const rasterPen& pen);  // or any without a thread
inline void drawLineSoon(graphicTarget& target, pixelPoint from, pixelPoint to, const rasterPen& pen) {
  if (target.drawer)
    target.drawer->line(from, to, pen);
  else
    drawFirstLine(target, from, to, pen);
}
void clearSoon(graphicTarget& target, const rasterBrush& brush);
// Likewise: returns once the target's buffer holds every job handed over.
void settleDrawing(graphicTarget& target);
