#pragma once
#include <atomic>
#include <cstdint>
#include <memory>
#include <thread>

#include "platform/largeblocks.h"

// Kinds of drawable surface.
inline constexpr int32_t TARGET_FRAME = 0;
inline constexpr int32_t TARGET_CANVAS = 14;
inline constexpr int32_t TARGET_BITMAP = 17;

// Flag bits of graphicTarget::flags.
inline constexpr uint32_t TARGET_HAS_FOCUS = 0x0010;
inline constexpr uint32_t TARGET_FLIP_Y = 0x0020;
inline constexpr uint32_t TARGET_FLIP_X = 0x0040;
inline constexpr uint32_t TARGET_BUFFERED = 0x0080;
inline constexpr uint32_t TARGET_CHILD_OF_FRAME = 0x2000;
inline constexpr uint32_t TARGET_CLOSABLE = 0x8000;

// Bits the first flag words carry that no operation tests.
inline constexpr uint32_t TARGET_CARRIED = 0x0002;  // on every record
inline constexpr uint32_t FRAME_CARRIED = 0x0400;
inline constexpr uint32_t BITMAP_CARRIED = 0x1000;

// First flag words.
inline constexpr uint32_t FRAME_FLAGS = TARGET_CLOSABLE | FRAME_CARRIED | TARGET_CARRIED;
inline constexpr uint32_t CANVAS_FLAGS = TARGET_CHILD_OF_FRAME | TARGET_CARRIED;
inline constexpr uint32_t BITMAP_FLAGS = BITMAP_CARRIED | TARGET_BUFFERED | TARGET_CARRIED;
static_assert(FRAME_FLAGS == 0x8402 && CANVAS_FLAGS == 0x2002 && BITMAP_FLAGS == 0x1082);

// A canvas's keySlot holds the last key typed into it: a character in the
// low byte, or a scan code in the high byte.
inline constexpr uint16_t keySlotOfScanCode(uint8_t scanCode) { return static_cast<uint16_t>(scanCode << 8); }

// The desktop colours new targets start with (0x00BBGGRR). The face colour
// is the one the demo's flank lines are drawn in, so they vanish on it.
inline constexpr uint32_t WINDOW_TEXT_COLOR = 0x00000000;
inline constexpr uint32_t FACE_COLOR = 0x00C8D0D4;

struct windowChannel;
class drawThread;
class targetLock;

// A back buffer as the rasterizer takes it: 0x00RRGGBB, row after row;
// empty without pixels.
struct pixelBuffer {
  uint32_t* pixels;
  int32_t width, height;
};

// One drawable surface: a frame, its canvas or an off-screen bitmap. Owned
// by the registry and by every targetRef that holds it; freed, with its back
// buffer, when the last of them lets go.
struct graphicTarget {
  graphicTarget* link = nullptr;  // next in the registry
  uint32_t handle = 0;
  uint32_t parent = 0;     // the frame, for a canvas
  int32_t controlId = 0;   // a child's id under its parent
  int32_t kind = TARGET_FRAME;
  std::atomic<uint32_t> flags{0};  // the window thread sets hasFocus

  // Back buffer: width x height pixels 0x00RRGGBB (the order the screen
  // takes them in), guarded by `drawing`.
  int32_t width = 0, height = 0;
  // Makes it, every pixel `pixel`, before the record is published; false
  // without the memory.
  bool makePixels(int32_t w, int32_t h, uint32_t pixel);
  // The only way to the pixels, for the holder of the lock: the buffer with
  // every line and clear handed to the drawing thread drawn.
  pixelBuffer settledPixels(const targetLock& held);
  // The thread that draws into it (drawthread.h), started with the first
  // line or clear, stopped by the destructor before the buffer goes.
  std::unique_ptr<drawThread> drawer;
  bool drawerTried = false;

  // Drawing state, used under `drawing`.
  float originX = 0, originY = 0;
  float scaleX = 0, scaleY = 0;  // scaleY 0: no custom scale
  int32_t posX = 0, posY = 0;
  uint32_t foreground = 0, background = 0;  // 0x00BBGGRR
  uint32_t penStyle = 0;
  int32_t penWidth = 0;

  // Input in the canvas, written by its window thread.
  std::atomic<uint16_t> keySlot{0};
  std::atomic<int32_t> clickFlag{0};
  std::atomic<int32_t> clickX{0}, clickY{0};

  // The window thread that paints a canvas; null for other kinds. Set
  // before the record is published and never changed.
  std::shared_ptr<windowChannel> window;
  // The display server's id of a frame's or canvas's window (0 for a
  // bitmap): for looking at it from outside. Never a lookup key, since the
  // server hands it out again once the window is gone.
  uint32_t screenWindow = 0;

  std::atomic<int32_t> references{1};  // its maker's; the registry adds its own
  std::atomic<bool> drawing{false};    // held by a drawing operation or a paint

  graphicTarget() = default;
  ~graphicTarget();
  graphicTarget(const graphicTarget&) = delete;
  graphicTarget& operator=(const graphicTarget&) = delete;

  bool drawable() const { return kind == TARGET_CANVAS || kind == TARGET_BITMAP; }

 private:
  struct pixelsFreer {
    void operator()(uint32_t* block) const { largeBlockFree(block); }
  };
  std::unique_ptr<uint32_t, pixelsFreer> pixels_;  // a large block: lines land all over it
};

// Holds a target's drawing lock for a scope. A paint holds it only while it
// copies the buffer out, so waiting is short: spin, then let the other run.
class targetLock {
 public:
  explicit targetLock(graphicTarget& target) : target_(target) {
    while (target_.drawing.exchange(true, std::memory_order_acquire)) {
      while (target_.drawing.load(std::memory_order_relaxed)) std::this_thread::yield();
    }
  }
  ~targetLock() { target_.drawing.store(false, std::memory_order_release); }
  targetLock(const targetLock&) = delete;
  targetLock& operator=(const targetLock&) = delete;

 private:
  graphicTarget& target_;
};
