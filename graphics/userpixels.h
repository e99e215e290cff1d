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

// nearest((v - origin) * scale) as extended precision computes it. Double
// precision is off by at most 2^-24 within the pixel limit, so it gives the
// same integer unless the value lies that near a half. A value on a half
// exactly (every odd pixel of whole user units at the program's scale of
// one half) is the same in both precisions when double computed it
// exactly: the difference lost nothing and the scale is a power of two.
// Both tests are worked out for every value, without a branch, since
// which of them holds changes from one value to the next. The result lies
// within the pixel limit.
[[gnu::always_inline]] inline int32_t scaledPixel(double v, const userAxis& axis) {
  const double difference = v - axis.origin, d = difference * axis.scale;
  const double rounded = (d + 0x1.8p52) - 0x1.8p52;  // nearest, ties to even, for |d| < 2^51
  const bool clearOfHalf = std::fabs(std::fabs(d - rounded) - 0.5) > 0x1p-20;
  const bool exact = (twoSumError(v, -axis.origin, difference) == 0) & axis.powerOfTwoScale;
  if ((std::fabs(d) <= PIXEL_LIMIT) & (clearOfHalf | exact)) [[likely]]
    return static_cast<int32_t>(rounded);
  // The axis holds the scale's floats exactly.
  return extendedPixel(v, static_cast<float>(axis.origin), static_cast<float>(axis.scale));
}

// The axis for a scale and origin, as graphicSetScale keeps it.
inline userAxis userAxisOf(float origin, float scale) {
  const uint32_t scaleBits = std::bit_cast<uint32_t>(scale);
  return {origin, scale, (scaleBits & 0x007FFFFFu) == 0 && (scaleBits & 0x7F800000u) != 0};
}

inline int32_t clampPixel(int64_t v) {
  return static_cast<int32_t>(v < -PIXEL_LIMIT ? -PIXEL_LIMIT : v > PIXEL_LIMIT ? PIXEL_LIMIT : v);
}

inline pixelPoint toUserPixels(const graphicTarget& t, double x, double y, bool relative) {
  if (relative) return relativeUserPixels(t, x, y);
  if (t.scaleY == 0) return {nearestPixel(x), nearestPixel(y)};
  const uint32_t flags = t.flags.load(std::memory_order_relaxed);
  int32_t px = scaledPixel(x, t.axisX);
  int32_t py = scaledPixel(y, t.axisY);
  // Only a flip can take a pixel past the limit.
  if (flags & TARGET_FLIP_X) px = clampPixel(static_cast<int64_t>(t.width) - px);
  if (flags & TARGET_FLIP_Y) py = clampPixel(static_cast<int64_t>(t.height) - py);
  return {px, py};
}
