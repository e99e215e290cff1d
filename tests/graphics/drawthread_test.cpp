// Lines are drawn on a thread of the target's own and shared out when the
// buffer is read; whatever the timing, the buffer must come out as the
// rasterizer drawing every job in order on one thread makes it.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "graphics/drawing.h"
#include "graphics/rasterfill.h"
#include "graphics/rasterline.h"
#include "tests/graphics/graphics_support.h"

namespace {

constexpr int32_t width = 300, height = 200;

// A line somewhere near the buffer: mostly short ones, some long ones that
// leave it on either side.
pixelPoint somePoint(std::mt19937& random) {
  std::uniform_int_distribution<int32_t> x(-40, width + 40), y(-40, height + 40);
  return {x(random), y(random)};
}

pixelPoint nearPoint(std::mt19937& random, pixelPoint p) {
  std::uniform_int_distribution<int32_t> step(-12, 12);
  return {p.x + step(random), p.y + step(random)};
}

// The first pixel (x + y * width) where two pictures differ, or -1; the
// second may hold colours rather than pixels.
int64_t firstDifference(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b, bool bHoldsColours = false) {
  if (a.size() != b.size()) return 0;
  for (size_t i = 0; i < a.size(); ++i)
    if (a[i] != (bHoldsColours ? pixelOf(b[i]) : b[i])) return static_cast<int64_t>(i);
  return -1;
}

TEST(DrawingThread, BuffersComeOutAsTheRasterizerDrawingEveryJobInOrder) {
  attachedBitmap bitmap(width, height);
  std::vector<uint32_t> reference(static_cast<size_t>(width) * height, pixelOf(FACE));
  const pixelBuffer expected{reference.data(), width, height};
  std::mt19937 random(3);
  pixelPoint at{0, 0};
  int32_t penWidth = 0;
  uint32_t penStyle = 0;
  for (int round = 0; round < 40; ++round) {
    // Enough lines between two reads that the read shares the rest out.
    const int lines = round % 4 == 0 ? 3 : 2000;
    for (int n = 0; n < lines; ++n) {
      if (random() % 500 == 0) {
        penWidth = static_cast<int32_t>(random() % 6);
        penStyle = static_cast<uint32_t>(random() % 5);
        graphicSetPenWidth(penWidth);
        graphicSetPenStyle(penStyle);
      }
      if (random() % 3000 == 0) {
        const auto colour = static_cast<int32_t>(random() & 0xFFFFFF);
        graphicClear(colour, 0);
        rasterFillAll(expected, {brushKind::solid, pixelOf(static_cast<uint32_t>(colour)), 0, 0});
        at = {0, 0};
      }
      if (random() % 4 == 0) {
        at = somePoint(random);
        graphicSetPos(at.x, at.y, false);
      }
      const pixelPoint to = random() % 10 == 0 ? somePoint(random) : nearPoint(random, at);
      const auto colour = static_cast<uint32_t>(random() & 0xFFFFFF);
      graphicLineTo(to.x, to.y, static_cast<int32_t>(colour), false);
      rasterLine(expected, at, to, {penWidth, penStyle, pixelOf(colour), pixelOf(FACE)});
      at = to;
    }
    ASSERT_EQ(firstDifference(reference, bitmap.pixels().pixels, true), -1) << "after round " << round;
  }
}

TEST(RasterBands, ABandHoldsExactlyThoseRowsOfTheWholeDrawing) {
  std::mt19937 random(9);
  std::vector<uint32_t> whole(static_cast<size_t>(width) * height), banded(whole.size());
  const pixelBuffer wholeBuffer{whole.data(), width, height}, bandedBuffer{banded.data(), width, height};
  for (int n = 0; n < 3000; ++n) {
    const pixelPoint from = somePoint(random);
    // Now and then a line far longer than the buffer, which takes the
    // bounds' wide arithmetic.
    const pixelPoint to = n % 50 == 0 ? pixelPoint{from.x * 400 - 9000, from.y * -300 + 7000} : nearPoint(random, from);
    const rasterPen pen{static_cast<int32_t>(random() % 7), static_cast<uint32_t>(random() % 5),
                        static_cast<uint32_t>(random() & 0xFFFFFF), 0x123456};
    const int32_t split = static_cast<int32_t>(random() % (height + 1)) - 1;
    rasterLine(wholeBuffer, from, to, pen);
    rasterLine(bandedBuffer, from, to, pen, {0, split});
    rasterLine(bandedBuffer, from, to, pen, {split + 1, INT32_MAX});
    if (n % 1000 == 999) {
      const rasterBrush brush{brushKind::hatch, 0xFF, 0xEE, static_cast<uint32_t>(1 + random() % 6)};
      rasterFillAll(wholeBuffer, brush);
      rasterFillAll(bandedBuffer, brush, {0, split});
      rasterFillAll(bandedBuffer, brush, {split + 1, INT32_MAX});
    }
    ASSERT_EQ(firstDifference(whole, banded), -1) << "line " << n << " from (" << from.x << ", " << from.y << ") to (" << to.x << ", "
                             << to.y << "), width " << pen.width << ", rows split after " << split;
  }
}

}  // namespace
