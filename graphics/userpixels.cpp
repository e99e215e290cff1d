#include "graphics/userpixels.h"

namespace {

int32_t clampPixel(int64_t v) {
  return static_cast<int32_t>(v < -PIXEL_LIMIT ? -PIXEL_LIMIT : v > PIXEL_LIMIT ? PIXEL_LIMIT : v);
}

}  // namespace

int32_t nearestPixel(long double v) {
  if (!(v >= -PIXEL_LIMIT)) return -PIXEL_LIMIT;
  if (v > PIXEL_LIMIT) return PIXEL_LIMIT;
  // Adding and taking away 1.5 * 2^63 leaves v rounded to an integer in the
  // current rounding mode (nearest, ties to even) at the 64-bit significand.
  const long double shifted = v + 0x1.8p63L;
  const long double rounded = shifted - 0x1.8p63L;
  return static_cast<int32_t>(static_cast<double>(rounded));
}

pixelPoint toUserPixels(const graphicTarget& t, double x, double y, bool relative) {
  const uint32_t flags = t.flags.load(std::memory_order_relaxed);
  const bool scaled = t.scaleY != 0;
  if (relative) {
    int64_t dx = scaled ? nearestPixel(static_cast<long double>(x) * t.scaleX) : nearestPixel(x);
    int64_t dy = scaled ? nearestPixel(static_cast<long double>(y) * t.scaleY) : nearestPixel(y);
    if (scaled && (flags & TARGET_FLIP_X)) dx = -dx;
    if (scaled && (flags & TARGET_FLIP_Y)) dy = -dy;
    return {clampPixel(t.posX + dx), clampPixel(t.posY + dy)};
  }
  if (!scaled) return {nearestPixel(x), nearestPixel(y)};
  int64_t px = nearestPixel((static_cast<long double>(x) - t.originX) * t.scaleX);
  int64_t py = nearestPixel((static_cast<long double>(y) - t.originY) * t.scaleY);
  if (flags & TARGET_FLIP_X) px = t.width - px;
  if (flags & TARGET_FLIP_Y) py = t.height - py;
  return {clampPixel(px), clampPixel(py)};
}
