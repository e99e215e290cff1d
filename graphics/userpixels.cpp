#include "graphics/userpixels.h"

int32_t nearestPixel(long double v) {
  if (!(v >= -PIXEL_LIMIT)) return -PIXEL_LIMIT;
  if (v > PIXEL_LIMIT) return PIXEL_LIMIT;
  // Adding and taking away 1.5 * 2^63 leaves v rounded to an integer in the
  // current rounding mode (nearest, ties to even) at the 64-bit significand.
  const long double shifted = v + 0x1.8p63L;
  const long double rounded = shifted - 0x1.8p63L;
  return static_cast<int32_t>(static_cast<double>(rounded));
}

pixelPoint relativeUserPixels(const graphicTarget& t, double x, double y) {
  const uint32_t flags = t.flags.load(std::memory_order_relaxed);
  const bool scaled = t.scaleY != 0;
  int64_t dx = scaled ? nearestPixel(static_cast<long double>(x) * t.scaleX) : nearestPixel(x);
  int64_t dy = scaled ? nearestPixel(static_cast<long double>(y) * t.scaleY) : nearestPixel(y);
  if (scaled && (flags & TARGET_FLIP_X)) dx = -dx;
  if (scaled && (flags & TARGET_FLIP_Y)) dy = -dy;
  return {clampPixel(t.posX + dx), clampPixel(t.posY + dy)};
}
