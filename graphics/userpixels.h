#pragma once
#include <bit>
#include <cmath>
#include <cstdint>

#include "graphics/target.h"
#include "runtime/maths.h"

struct pixelPoint {
  int32_t x, y;
};

// Pixel coordinates are kept within +-PIXEL_LIMIT: far enough outside any
// back buffer to be clipped away, near enough that the rasterizer's
// arithmetic cannot overflow.
inline constexpr int32_t PIXEL_LIMIT = 1 << 28;

// The integer nearest to v, halves to the even one; NaN and values beyond
// the limit are clamped (NaN to the low end).
int32_t nearestPixel(long double v);

// A point in the target's user coordinates as a back-buffer pixel; relative
// points are offsets from the current position. Inline: a picture converts
// a few hundred thousand points.
[[gnu::always_inline]] inline pixelPoint toUserPixels(const graphicTarget& target, double x, double y,
                                                     bool relative);

// nearest((v - origin) * scale) computed in extended precision: the rare
// case of the conversion below.
int32_t extendedPixel(double v, float origin, float scale);
pixelPoint relativeUserPixels(const graphicTarget& target, double x, double y);

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
// computed it exactly; only the rest near a half take the long way.
[[gnu::always_inline]] inline int32_t scaledPixel(double v, float origin, float scale) {
  const double d = (v - origin) * scale, size = std::fabs(d);
  if (!(size <= PIXEL_LIMIT)) return extendedPixel(v, origin, scale);
  const double rounded = (d + 0x1.8p52) - 0x1.8p52;  // nearest, ties to even, for |d| < 2^51
  const double offHalf = std::fabs(std::fabs(d - rounded) - 0.5);
  if (offHalf <= 0x1p-40 * (1 + size) && !exactInDouble(v, origin, scale)) [[unlikely]]
    return extendedPixel(v, origin, scale);
  return static_cast<int32_t>(rounded);
}

inline int32_t clampPixel(int64_t v) {
  return static_cast<int32_t>(v < -PIXEL_LIMIT ? -PIXEL_LIMIT : v > PIXEL_LIMIT ? PIXEL_LIMIT : v);
}

inline pixelPoint toUserPixels(const graphicTarget& t, double x, double y, bool relative) {
  if (relative) return relativeUserPixels(t, x, y);
  if (t.scaleY == 0) return {nearestPixel(x), nearestPixel(y)};
  const uint32_t flags = t.flags.load(std::memory_order_relaxed);
  int64_t px = scaledPixel(x, t.originX, t.scaleX);
  int64_t py = scaledPixel(y, t.originY, t.scaleY);
  if (flags & TARGET_FLIP_X) px = t.width - px;
  if (flags & TARGET_FLIP_Y) py = t.height - py;
  return {clampPixel(px), clampPixel(py)};
}
