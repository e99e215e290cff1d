#include "graphics/rasterfill.h"

#include <algorithm>

namespace {

// 8 x 8 hatch patterns, aligned to the buffer's top-left corner: bit x of
// row y is set where the hatch line runs.
constexpr uint8_t HATCH_ROWS[7][8] = {
    {0, 0, 0, 0, 0, 0, 0, 0},
    {0xFF, 0, 0, 0, 0, 0, 0, 0},                              // horizontal
    {0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01},         // vertical
    {0x01, 0x02, 0x04, 0x08, 0x10, 0x20, 0x40, 0x80},         // top left to bottom right
    {0x80, 0x40, 0x20, 0x10, 0x08, 0x04, 0x02, 0x01},         // bottom left to top right
    {0xFF, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01},         // cross
    {0x81, 0x42, 0x24, 0x18, 0x18, 0x24, 0x42, 0x81},         // diagonal cross
};

}  // namespace

void rasterFillSpan(const pixelBuffer& buffer, int32_t y, int32_t x0, int32_t x1, const rasterBrush& brush) {
  if (brush.kind == brushKind::none || x0 > x1) return;
  uint32_t* row = buffer.pixels + static_cast<size_t>(y) * buffer.width;
  if (brush.kind == brushKind::solid) {
    std::fill(row + x0, row + x1 + 1, brush.pixel);
    return;
  }
  const uint8_t bits = HATCH_ROWS[brush.hatch <= 6 ? brush.hatch : 0][y & 7];
  for (int32_t x = x0; x <= x1; ++x) row[x] = (bits >> (x & 7)) & 1 ? brush.pixel : brush.gapPixel;
}

void rasterFillAll(const pixelBuffer& buffer, const rasterBrush& brush) {
  if (buffer.width <= 0) return;
  for (int32_t y = 0; y < buffer.height; ++y) rasterFillSpan(buffer, y, 0, buffer.width - 1, brush);
}
