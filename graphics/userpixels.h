#pragma once
#include <cstdint>

#include "graphics/target.h"

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

pixelPoint relativeUserPixels(const graphicTarget& target, double x, double y);

inline int32_t clampPixel(int64_t v) {
  return static_cast<int32_t>(v < -PIXEL_LIMIT ? -PIXEL_LIMIT : v > PIXEL_LIMIT ? PIXEL_LIMIT : v);
}

// nearest((v - origin) * scale) in extended precision, within the pixel
// limit. On x87 the difference, the product and the rounding (fistp, by
// the control word: nearest, ties to even) are an instruction each; fistp
// gives INT64_MIN for NaN and for values past 2^63, which nearestPixel
// then places.
[[gnu::always_inline]] inline int32_t scaledPixel(double v, float origin, float scale) {
  const long double e = (static_cast<long double>(v) - origin) * scale;
#if (defined(__x86_64__) || defined(__i386__)) && __LDBL_MANT_DIG__ == 64
  int64_t n;
  asm("fistpll %0" : "=m"(n) : "t"(e) : "st");
  if (n == INT64_MIN) [[unlikely]] return nearestPixel(e);
  return clampPixel(n);
#else
  return nearestPixel(e);
#endif
}

inline pixelPoint toUserPixels(const graphicTarget& t, double x, double y, bool relative) {
  if (relative) return relativeUserPixels(t, x, y);
  if (t.scaleY == 0) return {nearestPixel(x), nearestPixel(y)};
  const uint32_t flags = t.flags.load(std::memory_order_relaxed);
  int32_t px = scaledPixel(x, t.originX, t.scaleX);
  int32_t py = scaledPixel(y, t.originY, t.scaleY);
  // Only a flip can take a pixel past the limit.
  if (flags & TARGET_FLIP_X) px = clampPixel(static_cast<int64_t>(t.width) - px);
  if (flags & TARGET_FLIP_Y) py = clampPixel(static_cast<int64_t>(t.height) - py);
  return {px, py};
}
