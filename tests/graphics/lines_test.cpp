// Lines: one-pixel lines (first pixel in, last out), dashes, wide round
// lines checked against the exact distance rule, clipping of wild values.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "graphics/drawing.h"
#include "graphics/rasterline.h"
#include "graphics_support.h"

namespace {

constexpr uint32_t GREEN = 0x0000FF00;

// Distance from the point to the segment.
double distanceToSegment(double px, double py, double x0, double y0, double x1, double y1) {
  const double dx = x1 - x0, dy = y1 - y0, l2 = dx * dx + dy * dy;
  double t = l2 > 0 ? ((px - x0) * dx + (py - y0) * dy) / l2 : 0;
  t = std::clamp(t, 0.0, 1.0);
  return std::hypot(px - (x0 + t * dx), py - (y0 + t * dy));
}

TEST(Lines, OnePixelLinesTakeTheFirstPixelAndNotTheLast) {
  attachedBitmap bitmap(40, 40);
  graphicSetPos(2, 5, false);
  graphicLineTo(8, 5, RED, false);
  picture p = bitmap.pixels();
  for (int x = 0; x < 40; ++x) EXPECT_EQ(p.at(x, 5), x >= 2 && x < 8 ? RED : FACE) << x;
  EXPECT_EQ(p.count(RED), 6u);

  // Backwards, steep and diagonal.
  graphicClear(COLOR_DEFAULT, 0);
  graphicSetPos(30, 30, false);
  graphicLineTo(30, 20, RED, false);
  graphicLineTo(20, 10, RED, false);
  p = bitmap.pixels();
  EXPECT_EQ(p.at(30, 30), RED);
  EXPECT_EQ(p.at(30, 21), RED);
  EXPECT_EQ(p.at(30, 20), RED);  // the second line's first pixel
  EXPECT_EQ(p.at(21, 11), RED);
  EXPECT_EQ(p.at(20, 10), FACE);
  EXPECT_EQ(p.count(RED), 20u);

  // A line of no length draws nothing; the position follows every line.
  graphicClear(COLOR_DEFAULT, 0);
  graphicSetPos(3, 3, false);
  graphicLineTo(3, 3, RED, false);
  EXPECT_EQ(bitmap.pixels().count(RED), 0u);
  graphicLineTo(3, 6, COLOR_DEFAULT, false);  // the foreground: black
  EXPECT_EQ(bitmap.pixels().count(BLACK), 3u);
  EXPECT_EQ(bitmap.record()->posY, 6);
}

TEST(Lines, AShallowLineStepsOncePerColumn) {
  attachedBitmap bitmap(40, 40);
  graphicSetPos(0, 0, false);
  graphicLineTo(20, 5, RED, false);
  const picture p = bitmap.pixels();
  for (int x = 0; x < 20; ++x) {
    int inColumn = 0;
    for (int y = 0; y < 40; ++y) inColumn += p.at(x, y) == RED;
    EXPECT_EQ(inColumn, 1) << x;
    const int expected = static_cast<int>(std::floor(x * 5.0 / 20 + 0.5));
    EXPECT_EQ(p.at(x, expected), RED) << x;
  }
}

TEST(Lines, DashedPensPaintTheirGapsInTheBackground) {
  attachedBitmap bitmap(60, 10);
  graphicClear(GREEN, 0);
  graphicSetPenStyle(1);
  graphicSetPos(0, 2, false);
  graphicLineTo(60, 2, RED, false);
  picture p = bitmap.pixels();
  for (int x = 0; x < 60; ++x) EXPECT_EQ(p.at(x, 2), x % 24 < 18 ? RED : FACE) << x;

  graphicSetPenStyle(2);  // dots: 3 on, 3 off
  graphicSetPos(0, 4, false);
  graphicLineTo(12, 4, RED, false);
  p = bitmap.pixels();
  for (int x = 0; x < 12; ++x) EXPECT_EQ(p.at(x, 4), x % 6 < 3 ? RED : FACE) << x;

  graphicSetPenStyle(9);  // out of range: solid
  graphicSetPos(0, 6, false);
  graphicLineTo(30, 6, RED, false);
  EXPECT_EQ(bitmap.pixels().count(FACE), 2u * 6 + 2u * 3);  // only the earlier gaps

  // Wider pens are solid whatever their style.
  graphicSetPenStyle(1);
  graphicSetPenWidth(3);
  graphicClear(GREEN, 0);
  graphicSetPos(0, 5, false);
  graphicLineTo(59, 5, RED, false);
  p = bitmap.pixels();
  EXPECT_EQ(p.count(FACE), 0u);
  for (int x = 0; x < 60; ++x) EXPECT_EQ(p.at(x, 5), RED);
}

TEST(Lines, WideLinesCoverExactlyThePixelsWithinHalfTheirWidth) {
  constexpr int size = 64;
  std::vector<uint32_t> pixels(size * size);
  const pixelBuffer buffer{pixels.data(), size, size};
  std::mt19937 random(12345);
  std::uniform_int_distribution<int> coordinate(-10, size + 10);
  for (int width : {2, 3, 4, 5, 8, 13}) {
    const double r = width / 2.0;
    for (int n = 0; n < 300; ++n) {
      std::fill(pixels.begin(), pixels.end(), 0u);
      const pixelPoint a{coordinate(random), coordinate(random)};
      pixelPoint b{coordinate(random), coordinate(random)};
      if (n % 10 == 0) b = {a.x, b.y};  // vertical
      if (n % 10 == 1) b = {b.x, a.y};  // horizontal
      if (n % 10 == 2) b = a;           // a dot
      rasterLine(buffer, a, b, {width, 0, 1, 2});
      const double c = width % 2 == 0 ? 0.5 : 0;  // an even pen's centre: the corner up and left
      for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
          const double d = distanceToSegment(x, y, a.x - c, a.y - c, b.x - c, b.y - c);
          if (std::fabs(d - r) < 1e-9) continue;  // on the edge: either answer is fair
          ASSERT_EQ(pixels[y * size + x], d < r ? 1u : 0u)
              << "width " << width << " from " << a.x << "," << a.y << " to " << b.x << "," << b.y << " at " << x
              << "," << y;
        }
    }
  }
}

TEST(Lines, EvenWidthsCoverExactlyTheirWidthAcrossAsBoxOutlinesDo) {
  for (int width : {2, 4}) {
    attachedBitmap bitmap(40, 40);
    graphicSetPenWidth(width);
    graphicBox(5, 5, 30, 30, 0, GREEN, COLOR_NONE, 0);
    graphicSetPos(5, 5, false);
    graphicLineTo(30, 5, RED, false);  // over the box's top side
    graphicSetPos(10, 20, false);
    graphicLineTo(25, 20, RED, false);  // across
    graphicSetPos(20, 8, false);
    graphicLineTo(20, 15, RED, false);  // down
    graphicSetPos(12, 12, false);
    graphicLineTo(12, 12, RED, false);  // a dot
    const picture p = bitmap.pixels();
    int outline = 0, overTop = 0, outlineLeft = 0, across = 0, down = 0, dotRows = 0, dotColumns = 0;
    for (int i = 0; i < 40; ++i) {
      outline += i < 10 && p.at(i, 17) == GREEN;
      overTop += i < 10 && p.at(17, i) == RED;
      outlineLeft += i < 10 && p.at(17, i) == GREEN;
      across += i > 10 && p.at(17, i) == RED;
      down += i > 15 && p.at(i, 11) == RED;
      dotRows += i > 8 && i < 16 && p.at(12, i) == RED;
      dotColumns += i > 8 && i < 16 && p.at(i, 12) == RED;
    }
    EXPECT_EQ(outline, width) << width;
    EXPECT_EQ(overTop, width) << width;
    EXPECT_EQ(outlineLeft, 0) << width;  // the line lies exactly over the outline
    EXPECT_EQ(across, width) << width;
    EXPECT_EQ(down, width) << width;
    EXPECT_EQ(dotRows, width) << width;
    EXPECT_EQ(dotColumns, width) << width;
  }
}

TEST(Lines, TheProgramsPenDrawsAThreePixelBandWithRoundEnds) {
  attachedBitmap bitmap(30, 30);
  graphicSetPenWidth(3);
  graphicSetPos(5, 10, false);
  graphicLineTo(20, 10, RED, false);
  const picture p = bitmap.pixels();
  for (int x = 5; x <= 20; ++x)
    for (int y = 9; y <= 11; ++y) EXPECT_EQ(p.at(x, y), RED) << x << "," << y;
  // The ends are round: the caps reach one pixel past the ends on the middle row only.
  EXPECT_EQ(p.at(4, 10), RED);
  EXPECT_EQ(p.at(21, 10), RED);
  EXPECT_EQ(p.at(4, 9), RED);    // within 1.5 of (5, 10)
  EXPECT_EQ(p.at(3, 10), FACE);  // 2 away
  EXPECT_EQ(p.count(RED), 16u * 3 + 2 * 3);
}

TEST(Lines, WildCoordinatesAreClippedWithoutHangingOrWritingOutside) {
  attachedBitmap bitmap(50, 50);
  const double huge = 1e30, nan = std::numeric_limits<double>::quiet_NaN();
  graphicSetPos(-huge, -huge, false);
  graphicLineTo(huge, huge, RED, false);  // along the diagonal, clamped at both ends
  graphicSetPos(-huge, 3, false);
  graphicLineTo(huge, 3, RED, false);
  picture p = bitmap.pixels();
  for (int x = 0; x < 50; ++x) EXPECT_EQ(p.at(x, 3), RED) << x;
  for (int i = 0; i < 50; ++i) EXPECT_EQ(p.at(i, i), RED) << i;

  graphicSetPos(nan, nan, false);
  graphicLineTo(10, 10, RED, false);
  graphicSetPenWidth(1 << 30);
  graphicLineTo(nan, huge, GREEN, false);
  EXPECT_EQ(bitmap.pixels().count(GREEN), 2500u);  // a pen that wide covers everything
  graphicSetPenWidth(5);
  graphicSetPos(huge, -huge, false);
  graphicLineTo(huge, huge, RED, false);  // wholly outside
  EXPECT_EQ(bitmap.pixels().count(GREEN), 2500u);
}

TEST(Lines, NoTargetMeansNothingHappens) {
  if (threadBlock* block = getThreadBlock()) block->currentTarget = 0;
  errorCode = 0;
  graphicSetPenWidth(3);
  graphicSetScale(0, 0, 1, 1);
  graphicSetPos(1, 1, false);
  graphicLineTo(5, 5, RED, false);
  graphicClear(COLOR_DEFAULT, 0);
  graphicBox(0, 0, 5, 5, 0, RED, RED, 0);
  graphicRedraw();
  EXPECT_EQ(errorCode, 0);
}

}  // namespace
