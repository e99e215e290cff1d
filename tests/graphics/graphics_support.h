#pragma once
// Helpers shared by the graphics tests.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "graphics/bitmap.h"
#include "graphics/redraw.h"
#include "graphics/registry.h"
#include "runtime/errors.h"
#include "runtime/threadblock.h"
#include "tests/support/waitfor.h"

// A picture read back from a target or the screen, 0x00BBGGRR.
struct picture {
  std::vector<uint32_t> pixels;
  int32_t width = 0, height = 0;

  uint32_t at(int32_t x, int32_t y) const { return pixels[static_cast<size_t>(y) * width + x]; }
  size_t count(uint32_t colour) const {
    size_t n = 0;
    for (uint32_t p : pixels) n += p == colour;
    return n;
  }
};

inline picture backBuffer(uint32_t handle) {
  picture p;
  EXPECT_TRUE(graphicTargetPixels(handle, p.pixels, &p.width, &p.height));
  return p;
}

// A bitmap attached as the calling thread's target for one test.
class attachedBitmap {
 public:
  attachedBitmap(int32_t width, int32_t height) : handle_(graphicBitmapCreate(width, height)) {
    errorCode = 0;
    graphicAttach(handle_, 0, true);
  }
  ~attachedBitmap() {
    graphicBitmapRelease(handle_);
    if (threadBlock* block = getThreadBlock()) block->currentTarget = 0;
  }
  attachedBitmap(const attachedBitmap&) = delete;
  attachedBitmap& operator=(const attachedBitmap&) = delete;

  uint32_t handle() const { return handle_; }
  picture pixels() const { return backBuffer(handle_); }
  targetRef record() const { return findTarget(handle_); }

 private:
  uint32_t handle_;
};

inline constexpr uint32_t FACE = 0x00C8D0D4;
inline constexpr uint32_t RED = 0x000000FF;
inline constexpr uint32_t BLACK = 0;
