#include <initializer_list>
#include <gtest/gtest.h>

#include "app/curve.h"
#include "app/program.h"
#include "app/state.h"
#include "app/view.h"
#include "runtime/maths.h"

namespace {

class ViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (dynArray* a : {&pointX, &pointY, &pointZ, &scaledX, &scaledY, &scaledZ}) arrayErase(*a);
    setFirstView();
    setLevelZero();
  }
  void TearDown() override {
    for (dynArray* a : {&pointX, &pointY, &pointZ, &scaledX, &scaledY, &scaledZ}) arrayErase(*a);
  }
  static void setAngles(int32_t a, int32_t b) {
    viewAngleA = a;
    viewAngleB = b;
    viewRadA = static_cast<float>(static_cast<long double>(degToRad) * a);
    viewRadB = static_cast<float>(static_cast<long double>(degToRad) * b);
    buildViewMatrix();
  }
  static void expectMatrix(const float (&expected)[8], float tolerance) {
    for (int i = 0; i < 8; ++i) EXPECT_NEAR(viewMatrix[i], expected[i], tolerance) << "element " << i;
  }
};

TEST_F(ViewTest, DegreesToRadiansIsPiOver180InSinglePrecision) {
  EXPECT_EQ(degToRad, static_cast<float>(3.14159265358979323846L / 180));
  EXPECT_EQ(viewAngleA, 30);
  EXPECT_EQ(viewAngleB, -30);
}

TEST_F(ViewTest, CoefficientsOfTheFirstAndTheAxisViews) {
  expectMatrix({0.86603f, 0.5f, -0.43301f, 0.75f, -0.5f, -0.25f, 0.43301f, 0.86603f}, 5e-6f);
  setAngles(0, 0);
  expectMatrix({1, 0, 0, 1, 0, 0, 0, 1}, 0);
  setAngles(90, 0);  // looking straight down: h = X, v = Y, d = -Z
  expectMatrix({1, 0, 0, 0, -1, 0, 1, 0}, 1e-7f);
}

TEST_F(ViewTest, AnglesWrapOnceIntoTheOpenHalfCircle) {
  int32_t angle = 185;
  wrapAngle(angle);
  EXPECT_EQ(angle, -175);
  angle = -180;
  wrapAngle(angle);
  EXPECT_EQ(angle, 180);
  angle = 180;
  wrapAngle(angle);
  EXPECT_EQ(angle, 180);

  setAngles(180, 0);
  turnViewA(5);
  EXPECT_EQ(viewAngleA, -175);
  turnViewA(-5);
  EXPECT_EQ(viewAngleA, 180);
  setAngles(0, 0);
  turnViewB(-5);
  EXPECT_EQ(viewAngleB, -5);
  EXPECT_EQ(viewRadB, static_cast<float>(static_cast<long double>(degToRad) * -5));
}

TEST_F(ViewTest, SeventyTwoTurnsComeBackToTheSameCoefficients) {
  float first[8];
  std::copy(viewMatrix, viewMatrix + 8, first);
  for (int i = 0; i < 72; ++i) turnViewB(5);
  EXPECT_EQ(viewAngleB, -30);
  for (int i = 0; i < 72; ++i) turnViewA(-5);
  EXPECT_EQ(viewAngleA, 30);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(viewMatrix[i], first[i]);
}

TEST_F(ViewTest, ScaleDoublesFromLevelToLevel) {
  const float expected[] = {0.25f, 0.5f, 1, 2, 4, 8};
  for (level = 0; level <= 5; ++level) EXPECT_EQ(levelScale(), expected[level]);
  level = 0;
}

TEST_F(ViewTest, TheOriginProjectsToTheCentreAtAnyView) {
  for (int turn = 0; turn < 10; ++turn) {
    const projectedPoint p = projectPoint(1, 0.25f);
    EXPECT_EQ(p.x, 0);
    EXPECT_EQ(p.y, 0);
    EXPECT_EQ(p.p, 0.25f);
    turnViewA(5);
    turnViewB(-5);
  }
}

TEST_F(ViewTest, LevelOneCornersProjectAsWorkedOut) {
  growArrays();
  buildNextLevel();
  level = 1;
  const float s = levelScale();
  const projectedPoint a = projectPoint(1, s);  // (-500, -500, -500)
  EXPECT_NEAR(a.h, -683.013f, 1e-3f);
  EXPECT_NEAR(a.d, 91.506f, 1e-3f);
  EXPECT_NEAR(a.v, -524.519f, 1e-3f);
  EXPECT_NEAR(a.p, 0.49101f, 1e-5f);
  EXPECT_NEAR(a.x, -335.369f, 1e-3f);
  EXPECT_NEAR(a.y, -257.546f, 1e-3f);
  // Pixel column and row on the 750 x 750 canvas with two user units a pixel.
  EXPECT_EQ(roundToInt((static_cast<long double>(a.x) + 750) * 0.5L), 207);
  EXPECT_EQ(750 - roundToInt((static_cast<long double>(a.y) + 750) * 0.5L), 504);

  const projectedPoint b = projectPoint(8, s);  // (500, -500, -500)
  EXPECT_NEAR(b.d, -341.506f, 1e-3f);
  EXPECT_NEAR(b.p, 0.53665f, 1e-5f);  // 2500 / (5000 - 341.506)
  EXPECT_NEAR(b.x, 98.215f, 1e-3f);
  EXPECT_NEAR(b.y, -415.649f, 1e-3f);
  EXPECT_EQ(roundToInt((static_cast<long double>(b.x) + 750) * 0.5L), 424);
  EXPECT_EQ(750 - roundToInt((static_cast<long double>(b.y) + 750) * 0.5L), 583);
}

}  // namespace
