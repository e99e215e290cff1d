#include "graphics/userpixels.h"

#include <bit>
#include <cmath>

#include "runtime/maths.h"

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

namespace {

[[gnu::noinline]] int32_t extendedPixel(double v, float origin, float scale) {
  return nearestPixel((static_cast<long double>(v) - origin) * scale);
}

// Whether v - origin and the product with scale come out exact in double
// precision: the difference loses nothing and scale is a power of two.
inline bool exactInDouble(double v, float origin, float scale) {
  const double b = -static_cast<double>(origin);
  return twoSumError(v, b, v + b) == 0 && (std::bit_cast<uint32_t>(scale) & 0x007FFFFFu) == 0 &&
         (std::bit_cast<uint32_t>(scale) & 0x7F800000u) != 0;
}

// nearest((v - origin) * scale) as extended precision computes it. Double
// precision gives the same integer unless the value lies within its
// rounding error of a half, and costs a fraction of the x87 sequence. A
// value on a half exactly (every odd pixel of whole user units at the
// program's scale of one half) is the same in both precisions when double
// computed it exactly; only the rest near a half take the long way, out of
// line so that the usual one stays short.
inline int32_t scaledPixel(double v, float origin, float scale) {
  const double d = (v - origin) * scale;
  if (!(d >= -PIXEL_LIMIT && d <= PIXEL_LIMIT)) return extendedPixel(v, origin, scale);
  const double rounded = (d + 0x1.8p52) - 0x1.8p52;  // nearest, ties to even, for |d| < 2^51
  const double offHalf = std::fabs(std::fabs(d - rounded) - 0.5);
  if (offHalf <= 0x1p-40 * (1 + std::fabs(d)) && !exactInDouble(v, origin, scale)) [[unlikely]]
    return extendedPixel(v, origin, scale);
  return static_cast<int32_t>(rounded);
}

}  // namespace

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
  int64_t px = scaledPixel(x, t.originX, t.scaleX);
  int64_t py = scaledPixel(y, t.originY, t.scaleY);
  if (flags & TARGET_FLIP_X) px = t.width - px;
  if (flags & TARGET_FLIP_Y) py = t.height - py;
  return {clampPixel(px), clampPixel(py)};
}
