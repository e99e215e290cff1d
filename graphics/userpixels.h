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
// points are offsets from the current position.
pixelPoint toUserPixels(const graphicTarget& target, double x, double y, bool relative);
