// User coordinates to back-buffer pixels: the custom scale, flips, rounding
// to even, relative points and clamping of wild values.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "graphics/drawing.h"
#include "graphics/userpixels.h"
#include "graphics_support.h"

namespace {

pixelPoint positionAfterSetPos(attachedBitmap& bitmap, double x, double y, bool relative = false) {
  graphicSetPos(x, y, relative);
  targetRef t = bitmap.record();
  return {t->posX, t->posY};
}

TEST(UserPixels, TheProgramsScaleCentresTheOriginAndTurnsYUp) {
  attachedBitmap bitmap(750, 750);
  graphicSetScale(-750, 750, 750, -750);
  {
    targetRef t = bitmap.record();
    EXPECT_FLOAT_EQ(t->originX, -750);
    EXPECT_FLOAT_EQ(t->originY, -750);
    EXPECT_FLOAT_EQ(t->scaleX, 0.5f);
    EXPECT_FLOAT_EQ(t->scaleY, 0.5f);
    EXPECT_TRUE(t->flags.load() & TARGET_FLIP_Y);
    EXPECT_FALSE(t->flags.load() & TARGET_FLIP_X);
  }
  struct {
    double x, y;
    int32_t px, py;
  } const table[] = {
      {0, 0, 375, 375},     {750, -750, 750, 750}, {-750, -750, 0, 750},
      {-750, 750, 0, 0},    {1, 1, 376, 374},      {3, 3, 376, 374},  // 376.5 goes to the even 376
      {-1, -1, 374, 376},   {-3, 3, 374, 374},
  };
  for (const auto& row : table) {
    const pixelPoint p = positionAfterSetPos(bitmap, row.x, row.y);
    EXPECT_EQ(p.x, row.px) << row.x << "," << row.y;
    EXPECT_EQ(p.y, row.py) << row.x << "," << row.y;
  }
}

TEST(UserPixels, PlainPixelsRoundHalvesToEven) {
  attachedBitmap bitmap(100, 100);
  EXPECT_EQ(positionAfterSetPos(bitmap, 2.5, 3.5).x, 2);
  EXPECT_EQ(positionAfterSetPos(bitmap, 2.5, 3.5).y, 4);
  EXPECT_EQ(positionAfterSetPos(bitmap, -2.5, -0.5).x, -2);
  EXPECT_EQ(positionAfterSetPos(bitmap, -2.5, -0.5).y, 0);
  EXPECT_EQ(positionAfterSetPos(bitmap, 2.5000001, 3.4999999).x, 3);
  EXPECT_EQ(positionAfterSetPos(bitmap, 2.5000001, 3.4999999).y, 3);
}

TEST(UserPixels, SetScaleIgnoresEmptyRangesAndFlipsWhereReversed) {
  attachedBitmap bitmap(750, 750);
  graphicSetScale(1, 1, 1, 5);
  EXPECT_FLOAT_EQ(bitmap.record()->scaleY, 0);  // nothing changed: still no custom scale
  graphicSetScale(0, 0, 10, 10);
  {
    targetRef t = bitmap.record();
    EXPECT_FLOAT_EQ(t->scaleX, 75);
    EXPECT_FLOAT_EQ(t->scaleY, 75);
    EXPECT_FALSE(t->flags.load() & (TARGET_FLIP_X | TARGET_FLIP_Y));
  }
  EXPECT_EQ(positionAfterSetPos(bitmap, 10, 10).x, 750);
  graphicSetScale(0, 0, 0, 7);  // empty again: the previous scale stays
  EXPECT_FLOAT_EQ(bitmap.record()->scaleX, 75);

  graphicSetScale(10, 10, 0, 0);  // both reversed
  EXPECT_TRUE(bitmap.record()->flags.load() & TARGET_FLIP_X);
  EXPECT_TRUE(bitmap.record()->flags.load() & TARGET_FLIP_Y);
  const pixelPoint p = positionAfterSetPos(bitmap, 10, 10);
  EXPECT_EQ(p.x, 0);
  EXPECT_EQ(p.y, 0);
  const pixelPoint q = positionAfterSetPos(bitmap, 0, 0);
  EXPECT_EQ(q.x, 750);
  EXPECT_EQ(q.y, 750);
  graphicSetScale(-5, -5, 5, 5);  // a new origin counts from the next point on
  EXPECT_EQ(positionAfterSetPos(bitmap, 0, 0).x, 375);
}

TEST(UserPixels, RelativePointsMoveFromThePosition) {
  attachedBitmap bitmap(750, 750);
  graphicSetPos(10, 20, false);
  pixelPoint p = positionAfterSetPos(bitmap, 5, -7, true);
  EXPECT_EQ(p.x, 15);
  EXPECT_EQ(p.y, 13);
  graphicSetScale(-750, 750, 750, -750);
  graphicSetPos(0, 0, false);  // pixel (375, 375)
  p = positionAfterSetPos(bitmap, 10, 10, true);  // 5 pixels right, 5 up
  EXPECT_EQ(p.x, 380);
  EXPECT_EQ(p.y, 370);
  p = positionAfterSetPos(bitmap, 5, 1, true);  // 2.5 -> 2, 0.5 -> 0
  EXPECT_EQ(p.x, 382);
  EXPECT_EQ(p.y, 370);
}

TEST(UserPixels, WildValuesAreClamped) {
  EXPECT_EQ(nearestPixel(1e30L), PIXEL_LIMIT);
  EXPECT_EQ(nearestPixel(-1e30L), -PIXEL_LIMIT);
  EXPECT_EQ(nearestPixel(std::numeric_limits<long double>::infinity()), PIXEL_LIMIT);
  EXPECT_EQ(nearestPixel(std::numeric_limits<long double>::quiet_NaN()), -PIXEL_LIMIT);
  attachedBitmap bitmap(50, 50);
  graphicSetPos(PIXEL_LIMIT - 1, 0, false);
  EXPECT_EQ(positionAfterSetPos(bitmap, 1e9, 0, true).x, PIXEL_LIMIT);
  graphicSetScale(-750, 750, 750, -750);  // y flipped: the flip must not carry it past the limit
  const pixelPoint far = positionAfterSetPos(bitmap, 1e30, -1e30);
  EXPECT_EQ(far.x, PIXEL_LIMIT);
  EXPECT_EQ(far.y, PIXEL_LIMIT);
}

}  // namespace

namespace {

// The conversion must give what extended precision gives, also for
// values a hair beside a half: at the program's scale, and at a coarse one
// that is no power of two, whose points reach out to the pixel limit and
// are placed within a few steps of double precision beside halves.
TEST(UserPixels, ScaledPointsMatchExtendedPrecisionEverywhere) {
  struct {
    float x1, y1, x2, y2;
    bool nearHalves;  // points placed beside halves far out, not spread about
  } const scales[] = {{-750, 750, 750, -750, false}, {0.1f, 0.1f, 0.1f + 12345.678f, 0.1f + 12345.678f, true}};
  for (const auto& scale : scales) {
    attachedBitmap bitmap(750, 750);
    graphicSetScale(scale.x1, scale.y1, scale.x2, scale.y2);
    targetRef t = bitmap.record();
    const bool flipY = t->flags.load() & TARGET_FLIP_Y;
    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> anywhere(-2000, 2000);
    std::uniform_int_distribution<int32_t> farPixel(-(PIXEL_LIMIT - 2), PIXEL_LIMIT - 2);
    for (int i = 0; i < 200000; ++i) {
      double x;
      if (scale.nearHalves) {
        x = static_cast<double>((farPixel(random) + 0.5L) / t->scaleX + t->originX);
        for (int k = i % 7; k > 3; --k) x = std::nextafter(x, 1e9);
        for (int k = i % 7; k > 0 && k <= 3; --k) x = std::nextafter(x, -1e9);
      } else {
        x = anywhere(random);
        if (i % 3 == 0) x = std::nearbyint(x) + 1;  // odd integers land on halves
        if (i % 3 == 1) x = std::nextafter(std::nearbyint(x) + 1, (i & 4) ? 1e9 : -1e9);
      }
      const double y = flipY ? -x : x;
      const pixelPoint p = toUserPixels(*t, x, y, false);
      const int32_t py = nearestPixel((static_cast<long double>(y) - t->originY) * t->scaleY);
      ASSERT_EQ(p.x, nearestPixel((static_cast<long double>(x) - t->originX) * t->scaleX)) << x;
      ASSERT_EQ(p.y, flipY ? 750 - py : py) << y;
    }
  }
}

}  // namespace
