#pragma once
#include <cstdint>

#include "graphics/userpixels.h"

// What the span rasterizer behind the drawing operations works with: the
// buffer (pixelBuffer, target.h), pens and brushes (lines in rasterline.h, fills in rasterfill.h,
// boxes and ellipses in rastershape.h). Everything is clipped to the buffer;
// coordinates may lie anywhere within +-PIXEL_LIMIT. A pixel (x, y) is the
// unit square whose centre is the point (x, y).

// 0x00BBGGRR colour value to a 0x00RRGGBB pixel and back; the high byte goes.
inline constexpr uint32_t pixelOf(uint32_t colour) {
  return __builtin_bswap32(colour) >> 8;  // 0xXXBBGGRR -> 0xRRGGBBXX -> 0x00RRGGBB
}
inline constexpr uint32_t colourOf(uint32_t pixel) { return pixelOf(pixel); }

struct rasterPen {
  int32_t width;   // 1 or less: one pixel wide
  uint32_t style;  // 0 solid, 1 dash, 2 dot, 3 dash-dot, 4 dash-dot-dot (one-pixel pens only)
  uint32_t pixel;
  uint32_t gapPixel;  // the gaps of a styled pen are painted in it
};

enum class brushKind : uint8_t { none, solid, hatch };

struct rasterBrush {
  brushKind kind;
  uint32_t pixel;
  uint32_t gapPixel;  // between the lines of a hatch
  uint32_t hatch;     // 1 horizontal, 2 vertical, 3 "\", 4 "/", 5 cross, 6 diagonal cross
};
