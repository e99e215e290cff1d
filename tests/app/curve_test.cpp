#include <initializer_list>
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <set>
#include <tuple>

#include "app/curve.h"
#include "app/program.h"
#include "app/state.h"

namespace {

class CurveTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (dynArray* a : {&pointX, &pointY, &pointZ, &scaledX, &scaledY, &scaledZ}) arrayErase(*a);
    setLevelZero();
  }
  void TearDown() override {
    for (dynArray* a : {&pointX, &pointY, &pointZ, &scaledX, &scaledY, &scaledZ}) arrayErase(*a);
  }
  static void buildLevels(int count) {
    for (int i = 0; i < count; ++i) {
      growArrays();
      buildNextLevel();
      ++level;
    }
  }
  static std::array<float, 3> point(int32_t i) {
    return {arrayAt<float>(pointX, i), arrayAt<float>(pointY, i), arrayAt<float>(pointZ, i)};
  }
};

TEST_F(CurveTest, LevelOneIsTheEightCubeCornersInGrayCodeOrder) {
  buildLevels(1);
  const std::array<std::array<float, 3>, 8> expected = {{{-500, -500, -500},
                                                         {-500, -500, 500},
                                                         {-500, 500, 500},
                                                         {-500, 500, -500},
                                                         {500, 500, -500},
                                                         {500, 500, 500},
                                                         {500, -500, 500},
                                                         {500, -500, -500}}};
  EXPECT_EQ(pointCount, 8);
  EXPECT_EQ(octantOffset, 500);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(point(i + 1), expected[i]) << "point " << i + 1;
}

TEST_F(CurveTest, LevelTwoStartsAsTheTableSays) {
  buildLevels(2);
  const std::array<std::array<float, 3>, 8> expected = {{{-375, -375, -375},
                                                         {-375, -125, -375},
                                                         {-125, -125, -375},
                                                         {-125, -375, -375},
                                                         {-125, -375, -125},
                                                         {-125, -125, -125},
                                                         {-375, -125, -125},
                                                         {-375, -375, -125}}};
  EXPECT_EQ(pointCount, 64);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(point(i + 1), expected[i]) << "point " << i + 1;
}

TEST_F(CurveTest, GrowingKeepsThePointsAndMakesRoomForEightTimesAsMany) {
  buildLevels(2);
  std::array<float, 3> saved[65];
  for (int i = 1; i <= 64; ++i) saved[i] = point(i);
  growArrays();
  for (const dynArray* a : {&pointX, &pointY, &pointZ, &scaledX, &scaledY, &scaledZ}) {
    EXPECT_EQ(a->lower1, 0);
    EXPECT_EQ(a->upper1, 512);
    EXPECT_EQ(arrayAt<float>(*a, 0), 0.0f);
    EXPECT_EQ(arrayAt<float>(*a, 512), 0.0f);
  }
  EXPECT_EQ(pointCount, 64);
  for (int i = 1; i <= 64; ++i) EXPECT_EQ(point(i), saved[i]);
}

TEST_F(CurveTest, EveryLevelIsAUnitStepPathVisitingEachGridPointOnce) {
  for (int target = 1; target <= 5; ++target) {
    buildLevels(1);
    const double step = 1000.0 / std::pow(4.0, target - 1);
    const double extent = (std::pow(2.0, target) - 1) / 2 * step;
    ASSERT_EQ(pointCount, 1 << (3 * target));
    std::set<std::array<float, 3>> seen;
    for (int32_t i = 1; i <= pointCount; ++i) {
      const auto p = point(i);
      for (float c : p) ASSERT_LE(std::fabs(c), extent) << "level " << target;
      ASSERT_TRUE(seen.insert(p).second) << "level " << target << " repeats point " << i;
      if (i == 1) continue;
      const auto q = point(i - 1);
      int changed = 0;
      for (int axis = 0; axis < 3; ++axis) {
        if (p[axis] == q[axis]) continue;
        ++changed;
        EXPECT_EQ(std::fabs(p[axis] - q[axis]), step) << "level " << target << " point " << i;
      }
      ASSERT_EQ(changed, 1) << "level " << target << " point " << i;
    }
    const float e = static_cast<float>(extent);
    EXPECT_EQ(point(1), (std::array<float, 3>{-e, -e, -e}));
    EXPECT_EQ(point(pointCount), (std::array<float, 3>{e, -e, -e}));
  }
  EXPECT_EQ(octantOffset, 31.25f);
  EXPECT_EQ(arrayAt<float>(pointX, pointCount), 60.546875f);
}

}  // namespace
