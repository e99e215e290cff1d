// Boxes, rounded boxes, ellipses and fills: exclusive right and bottom
// edges, corner order and clamps, outlines, hollow interiors and hatches.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "graphics/drawing.h"
#include "graphics_support.h"

namespace {

constexpr uint32_t GREEN = 0x0000FF00;
constexpr uint32_t BLUE = 0x00FF0000;

TEST(Shapes, APlainBoxLeavesItsRightAndBottomEdgesOut) {
  attachedBitmap bitmap(40, 40);
  graphicBox(10, 10, 20, 15, 0, RED, BLUE, 0);
  const picture p = bitmap.pixels();
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 40; ++x) {
      const bool inside = x >= 10 && x < 20 && y >= 10 && y < 15;
      const bool edge = inside && (x == 10 || x == 19 || y == 10 || y == 14);
      EXPECT_EQ(p.at(x, y), edge ? RED : inside ? BLUE : FACE) << x << "," << y;
    }
  EXPECT_EQ(bitmap.record()->posX, 0);  // the position is not moved
}

TEST(Shapes, CornersInEitherOrderDrawTheSameFigure) {
  attachedBitmap bitmap(60, 60);
  auto draw = [&](float x1, float y1, float x2, float y2, int32_t corner) {
    graphicClear(COLOR_DEFAULT, 0);
    graphicBox(x1, y1, x2, y2, corner, RED, BLUE, 0);
    return bitmap.pixels().pixels;
  };
  for (int32_t corner : {0, 40, 100, CORNER_ELLIPSE}) {
    const auto reference = draw(5, 8, 50, 40, corner);
    EXPECT_EQ(draw(50, 40, 5, 8, corner), reference) << corner;
    EXPECT_EQ(draw(5, 40, 50, 8, corner), reference) << corner;
    EXPECT_EQ(draw(50, 8, 5, 40, corner), reference) << corner;
  }
}

TEST(Shapes, CornerValuesBeyondAHundredActAsAHundred) {
  attachedBitmap bitmap(60, 60);
  auto draw = [&](int32_t corner) {
    graphicClear(COLOR_DEFAULT, 0);
    graphicBox(5, 5, 45, 35, corner, RED, BLUE, 0);
    return bitmap.pixels();
  };
  const picture hundred = draw(100);
  EXPECT_EQ(draw(250).pixels, hundred.pixels);
  EXPECT_EQ(draw(-7).pixels, hundred.pixels);
  EXPECT_NE(draw(50).pixels, hundred.pixels);
  EXPECT_NE(draw(0).pixels, draw(50).pixels);
  // Rounded: the corner pixel stays out, the middle of each side is in.
  EXPECT_EQ(hundred.at(5, 5), FACE);
  EXPECT_EQ(hundred.at(25, 5), RED);
  EXPECT_EQ(hundred.at(5, 20), RED);
  EXPECT_EQ(hundred.at(44, 20), RED);
  EXPECT_EQ(hundred.at(25, 34), RED);
}

TEST(Shapes, AnEllipseInASquareIsACircle) {
  attachedBitmap bitmap(50, 50);
  graphicBox(5, 5, 46, 46, CORNER_ELLIPSE, RED, BLUE, 0);  // 41 x 41, centre (25, 25)
  const picture p = bitmap.pixels();
  for (int y = 0; y < 50; ++y)
    for (int x = 0; x < 50; ++x) {
      // Symmetric under every mirror and the diagonal.
      if (x >= 5 && x <= 45 && y >= 5 && y <= 45) {
        EXPECT_EQ(p.at(x, y), p.at(50 - x, y)) << x << "," << y;
        EXPECT_EQ(p.at(x, y), p.at(x, 50 - y)) << x << "," << y;
        EXPECT_EQ(p.at(x, y), p.at(y, x)) << x << "," << y;
      }
      const double d = std::hypot(x - 25.0, y - 25.0);
      if (d < 19) {
        EXPECT_EQ(p.at(x, y), BLUE) << x << "," << y;
      } else if (d > 20.6) {
        EXPECT_EQ(p.at(x, y), FACE) << x << "," << y;
      }
    }
  EXPECT_EQ(p.at(5, 25), RED);
  EXPECT_EQ(p.at(45, 25), RED);
  EXPECT_EQ(p.at(25, 5), RED);
  EXPECT_EQ(p.at(25, 45), RED);
}

// Pixels reachable from (x, y) through pixels of `colour`, four-connected.
size_t floodCount(const picture& p, int x, int y, uint32_t colour, bool& reachedEdge) {
  std::vector<char> seen(p.pixels.size(), 0);
  std::vector<std::pair<int, int>> todo{{x, y}};
  size_t n = 0;
  reachedEdge = false;
  while (!todo.empty()) {
    auto [cx, cy] = todo.back();
    todo.pop_back();
    if (cx < 0 || cy < 0 || cx >= p.width || cy >= p.height) continue;
    const size_t i = static_cast<size_t>(cy) * p.width + cx;
    if (seen[i] || p.pixels[i] != colour) continue;
    seen[i] = 1;
    ++n;
    if (cx == 0 || cy == 0 || cx == p.width - 1 || cy == p.height - 1) reachedEdge = true;
    todo.insert(todo.end(), {{cx + 1, cy}, {cx - 1, cy}, {cx, cy + 1}, {cx, cy - 1}});
  }
  return n;
}

TEST(Shapes, HollowFiguresLeaveTheirInsideAloneBehindAClosedOutline) {
  attachedBitmap bitmap(80, 60);
  for (int32_t corner : {0, 30, 100, CORNER_ELLIPSE}) {
    for (int32_t width : {0, 1, 3, 6}) {
      graphicClear(GREEN, 0);
      graphicSetPenWidth(width);
      graphicBox(10, 8, 71, 53, corner, RED, COLOR_NONE, 0);
      const picture p = bitmap.pixels();
      EXPECT_GT(p.count(RED), 100u);
      bool escaped = false;
      floodCount(p, 40, 30, GREEN, escaped);
      EXPECT_FALSE(escaped) << "corner " << corner << " width " << width;
      EXPECT_EQ(p.at(40, 30), GREEN);
    }
  }
}

TEST(Shapes, AStyledOnePixelPenDashesBoxAndEllipseOutlinesAsItDashesLines) {
  attachedBitmap bitmap(80, 60);
  struct {
    uint32_t style;
    double ink;  // the share of the pattern that is ink
  } const styles[] = {{1, 18 / 24.0}, {2, 3 / 6.0}, {3, 12 / 24.0}, {4, 15 / 24.0}};
  for (int32_t corner : {0, 30, CORNER_ELLIPSE}) {
    graphicSetPenStyle(0);
    graphicClear(GREEN, 0);
    graphicBox(10, 8, 71, 53, corner, RED, COLOR_NONE, 0);
    const picture solid = bitmap.pixels();
    for (const auto& s : styles) {
      graphicSetPenStyle(s.style);
      graphicClear(GREEN, 0);
      graphicBox(10, 8, 71, 53, corner, RED, COLOR_NONE, 0);
      const picture p = bitmap.pixels();
      for (size_t i = 0; i < p.pixels.size(); ++i)
        ASSERT_EQ(p.pixels[i], solid.pixels[i] == RED ? p.pixels[i] == RED ? RED : FACE : GREEN)
            << "corner " << corner << " style " << s.style << " at " << i;  // same pixels, gaps in the background
      const double ink = static_cast<double>(p.count(RED)) / static_cast<double>(solid.count(RED));
      EXPECT_NEAR(ink, s.ink, 0.05) << "corner " << corner << " style " << s.style;
    }
  }
  // Along the top side of the plain box, the dots run three on, three off.
  graphicSetPenStyle(2);
  graphicClear(GREEN, 0);
  graphicBox(10, 8, 71, 53, 0, RED, COLOR_NONE, 0);
  const picture p = bitmap.pixels();
  for (int32_t x = 14; x < 66; ++x) EXPECT_NE(p.at(x, 8), p.at(x + 3, 8)) << x;
}

TEST(Shapes, WideOutlinesStraddleTheEdge) {
  attachedBitmap bitmap(40, 40);
  graphicSetPenWidth(3);
  graphicBox(10, 10, 30, 30, 0, RED, BLUE, 0);  // edge pixels 10 and 29
  const picture p = bitmap.pixels();
  for (int x : {9, 10, 11, 28, 29, 30}) EXPECT_EQ(p.at(x, 20), RED) << x;
  EXPECT_EQ(p.at(8, 20), FACE);
  EXPECT_EQ(p.at(31, 20), FACE);
  EXPECT_EQ(p.at(12, 20), BLUE);
  EXPECT_EQ(p.at(27, 20), BLUE);
  EXPECT_EQ(p.at(9, 9), RED);  // round joins still reach the corner's diagonal neighbour
  EXPECT_EQ(p.at(8, 8), FACE);
}

TEST(Shapes, TheProgramsMarkerIsASolidDisc) {
  attachedBitmap bitmap(750, 750);
  graphicSetPenWidth(3);
  graphicSetScale(-750, 750, 750, -750);
  const float x = 100, y = -200;  // pixel (425, 475)
  graphicBox(x - 5, y - 5, x + 6, y + 6, CORNER_ELLIPSE, 255, 255, 0);
  const picture p = bitmap.pixels();
  int first = 750, last = -1;
  for (int row = 460; row < 490; ++row) {
    int from = -1, to = -1;
    for (int col = 410; col < 440; ++col)
      if (p.at(col, row) == RED) {
        if (from < 0) from = col;
        EXPECT_TRUE(to < 0 || to == col - 1) << "a gap in row " << row;
        to = col;
      }
    if (from >= 0) first = std::min(first, row), last = std::max(last, row);
  }
  EXPECT_GE(last - first + 1, 7);
  EXPECT_LE(last - first + 1, 10);
  EXPECT_EQ(p.at(425, 475), RED);
  EXPECT_LT(p.count(RED), 100u);
  EXPECT_EQ(bitmap.record()->posX, 0);
}

TEST(Shapes, HatchesAreAlignedToTheBufferWithBackgroundGaps) {
  attachedBitmap bitmap(32, 32);
  struct {
    uint32_t style;
    bool (*line)(int x, int y);
  } const hatches[] = {
      {1, [](int, int y) { return y % 8 == 0; }},
      {2, [](int x, int) { return x % 8 == 0; }},
      {3, [](int x, int y) { return (x - y) % 8 == 0; }},
      {4, [](int x, int y) { return (x + y) % 8 == 7; }},
      {5, [](int x, int y) { return x % 8 == 0 || y % 8 == 0; }},
      {6, [](int x, int y) { return (x - y) % 8 == 0 || (x + y) % 8 == 7; }},
  };
  for (const auto& hatch : hatches) {
    graphicClear(RED, hatch.style);
    picture p = bitmap.pixels();
    for (int y = 0; y < 32; ++y)
      for (int x = 0; x < 32; ++x) ASSERT_EQ(p.at(x, y), hatch.line(x, y) ? RED : FACE) << hatch.style;
    // Inside a box the same pattern, still aligned to the buffer.
    graphicClear(GREEN, 0);
    graphicBox(3, 5, 29, 27, 0, BLUE, RED, hatch.style);
    p = bitmap.pixels();
    for (int y = 6; y < 26; ++y)
      for (int x = 4; x < 28; ++x) ASSERT_EQ(p.at(x, y), hatch.line(x, y) ? RED : FACE) << hatch.style;
  }
  graphicClear(RED, 7);  // out of range: solid
  EXPECT_EQ(bitmap.pixels().count(RED), 32u * 32);
}

TEST(Shapes, ClearFillsEverythingAndMovesThePositionHome) {
  attachedBitmap bitmap(20, 20);
  graphicSetScale(-750, 750, 750, -750);  // the scale does not matter to a clear
  graphicClear(GREEN, 0);
  EXPECT_EQ(bitmap.pixels().count(GREEN), 400u);
  graphicSetPos(10, 10, true);
  graphicClear(COLOR_NONE, 0);  // nothing painted
  EXPECT_EQ(bitmap.pixels().count(GREEN), 400u);
  EXPECT_EQ(bitmap.record()->posX, 0);
  EXPECT_EQ(bitmap.record()->posY, 0);
  graphicClear(COLOR_DEFAULT, 0);
  EXPECT_EQ(bitmap.pixels().count(FACE), 400u);
  graphicLineTo(750, 750, RED, true);  // from the top-left corner, 5 pixels right and up
  const picture p = bitmap.pixels();
  EXPECT_EQ(p.at(0, 0), RED);
}

TEST(Shapes, BoxColoursDefaultToThePenAndLoseTheirHighByte) {
  attachedBitmap bitmap(20, 20);
  graphicBox(2, 2, 10, 10, 0, COLOR_DEFAULT, COLOR_DEFAULT, 0);
  EXPECT_EQ(bitmap.pixels().count(BLACK), 64u);
  graphicBox(2, 2, 10, 10, 0, static_cast<int32_t>(0x12FF0000), COLOR_DEFAULT, 0);
  EXPECT_EQ(bitmap.pixels().count(BLUE), 64u);
}

TEST(Shapes, EmptyAndWildBoxesDrawNothingOrClip) {
  attachedBitmap bitmap(30, 30);
  graphicBox(5, 5, 5, 20, 0, RED, RED, 0);  // no width
  graphicBox(5, 5, 20, 5, CORNER_ELLIPSE, RED, RED, 0);
  EXPECT_EQ(bitmap.pixels().count(RED), 0u);
  const float huge = 1e30f, nan = std::numeric_limits<float>::quiet_NaN();
  graphicBox(-huge, -huge, huge, huge, CORNER_ELLIPSE, RED, BLUE, 0);
  graphicBox(nan, nan, 10, 10, 50, RED, BLUE, 3);
  graphicSetPenWidth(1 << 30);
  graphicBox(-huge, 3, huge, 4, 100, RED, BLUE, 0);
  EXPECT_EQ(bitmap.pixels().count(RED), 900u);
}

}  // namespace
