#pragma once
#include <cstdint>

#include "graphics/userpixels.h"

// The span rasterizer behind the drawing operations. Everything is clipped
// to the buffer; coordinates may lie anywhere within +-PIXEL_LIMIT. A pixel
// (x, y) is the unit square whose centre is the point (x, y).

struct pixelBuffer {
  uint32_t* pixels;  // 0x00RRGGBB, row after row
  int32_t width, height;
};

// 0x00BBGGRR colour value to a 0x00RRGGBB pixel and back; the high byte goes.
inline constexpr uint32_t pixelOf(uint32_t colour) {
  return ((colour & 0xFF) << 16) | (colour & 0xFF00) | ((colour >> 16) & 0xFF);
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

// A line from `from` to `to`. One-pixel lines take the first pixel and not
// the last. Wider ones cover every pixel within width/2 of the segment, so
// their ends and joins are round; an even width is centred half a pixel up
// and left, so that it covers exactly its width across.
void rasterLine(const pixelBuffer& buffer, pixelPoint from, pixelPoint to, const rasterPen& pen);

// Whether step `step` along a one-pixel path of the styled pen is ink (else
// a gap).
bool penDashOn(uint32_t style, int64_t step);

// Pixels x0..x1 of row y with the brush; the caller has clipped them.
void rasterFillSpan(const pixelBuffer& buffer, int32_t y, int32_t x0, int32_t x1, const rasterBrush& brush);
// The whole buffer with the brush.
void rasterFillAll(const pixelBuffer& buffer, const rasterBrush& brush);

// The rounded rectangle of the box left..right-1 x top..bottom-1 (right and
// bottom exclusive, left <= right, top <= bottom) with corner ellipses of
// cornerWidth x cornerHeight pixels (at most the box; the whole box gives
// the inscribed ellipse): the interior with the brush, then the outline
// with the pen (one-pixel pens in their style, wider ones solid).
void rasterRoundRect(const pixelBuffer& buffer, int32_t left, int32_t top, int32_t right, int32_t bottom,
                     int32_t cornerWidth, int32_t cornerHeight, const rasterPen& pen, const rasterBrush& brush);
