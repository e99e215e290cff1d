// The level picture on an off-screen back buffer, with keys typed into a
// real pseudo-terminal.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <initializer_list>
#include <string>
#include <thread>
#include <vector>

#include "app/curve.h"
#include "app/levelview.h"
#include "app/program.h"
#include "app/state.h"
#include "app/view.h"
#include "graphics/bitmap.h"
#include "graphics/drawing.h"
#include "graphics/redraw.h"
#include "runtime/keys.h"
#include "runtime/maths.h"
#include "runtime/state.h"
#include "tests/support/ptykeys.h"

namespace {

constexpr uint32_t red = 0x0000FF;
constexpr uint32_t face = 0xC8D0D4;

class LevelViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(terminal_.open());

    for (dynArray* a : {&pointX, &pointY, &pointZ, &scaledX, &scaledY, &scaledZ}) arrayErase(*a);
    setFirstView();
    setLevelZero();
    canvas_ = graphicBitmapCreate(750, 750);
    ASSERT_NE(canvas_, 0u);
    graphicAttach(canvas_, 0, true);
    graphicSetPenWidth(3);
    graphicSetScale(-750, 750, 750, -750);
  }
  void TearDown() override {
    graphicBitmapRelease(canvas_);
    for (dynArray* a : {&pointX, &pointY, &pointZ, &scaledX, &scaledY, &scaledZ}) arrayErase(*a);
    terminal_.close();
  }

  static void buildUpTo(int32_t target) {
    while (level < target) {
      growArrays();
      buildNextLevel();
      ++level;
    }
  }
  void type(const std::string& bytes) {
    ASSERT_TRUE(terminal_.type(bytes));
    ASSERT_TRUE(ptyKeyTerminal::keyArrives());
  }
  std::vector<uint32_t> pixels() const {
    std::vector<uint32_t> p;
    EXPECT_TRUE(graphicTargetPixels(canvas_, p));
    return p;
  }
  static uint32_t at(const std::vector<uint32_t>& p, int32_t x, int32_t y) { return p[static_cast<size_t>(y) * 750 + x]; }

  std::vector<uint32_t> pictureWithoutKeys() {
    levelPicture picture;
    graphicClear(COLOR_DEFAULT, 0);
    EXPECT_EQ(strLen(drawLevelPicture(picture, levelScale())), 0);
    return pixels();
  }

  ptyKeyTerminal terminal_;
  uint32_t canvas_ = 0;
};

TEST_F(LevelViewTest, LevelZeroIsOneRedDiscInTheMiddle) {
  const std::vector<uint32_t> p = pictureWithoutKeys();
  EXPECT_EQ(at(p, 375, 375), red);
  EXPECT_EQ(at(p, 376, 373), red);
  EXPECT_EQ(at(p, 375, 385), face);
  EXPECT_EQ(at(p, 365, 375), face);
  size_t redPixels = 0;
  for (uint32_t c : p) redPixels += c == red;
  EXPECT_GT(redPixels, 10u);
  EXPECT_LT(redPixels, 80u);
}

TEST_F(LevelViewTest, LevelOneHasRedAtItsEndsAndFlankGapsWhereSegmentsCross) {
  buildUpTo(1);
  const std::vector<uint32_t> p = pictureWithoutKeys();
  EXPECT_EQ(at(p, 207, 504), red);
  EXPECT_EQ(at(p, 424, 583), red);
  EXPECT_EQ(at(p, 375, 375), face);
  // Segment 4 (from (-500, 500, -500) to (500, 500, -500)), seen from here,
  // lies behind others; the nearer ones cut grey gaps into it.
  for (int32_t i : {2, 3, 4, 5, 6, 7}) {
    const projectedPoint q = projectPoint(i, levelScale());
    const int32_t x = roundToInt((static_cast<long double>(q.x) + 750) * 0.5L);
    const int32_t y = 750 - roundToInt((static_cast<long double>(q.y) + 750) * 0.5L);
    EXPECT_EQ(at(p, x, y), red) << "corner " << i;
  }
}

TEST_F(LevelViewTest, TurningTheViewChangesThePictureAndSeventyTwoTurnsRestoreIt) {
  buildUpTo(2);
  const std::vector<uint32_t> first = pictureWithoutKeys();
  turnViewB(5);
  EXPECT_NE(pictureWithoutKeys(), first);
  for (int i = 1; i < 72; ++i) turnViewB(5);
  EXPECT_EQ(pictureWithoutKeys(), first);
}

TEST_F(LevelViewTest, AnEnterDuringThePassStillGivesTheWholePictureAndIsHandedBack) {
  buildUpTo(3);
  const std::vector<uint32_t> whole = pictureWithoutKeys();
  graphicClear(COLOR_DEFAULT, 0);
  type("\r");
  levelPicture picture;
  rtString key = drawLevelPicture(picture, levelScale());
  ASSERT_EQ(strLen(key), 1);
  EXPECT_EQ(strByteAt(key, 1), 13);
  EXPECT_EQ(pixels(), whole);
}

TEST_F(LevelViewTest, OtherKeysDuringThePassAreDropped) {
  buildUpTo(2);
  type("\033[Ca");  // right arrow, then the letter a
  levelPicture picture;
  EXPECT_EQ(strLen(drawLevelPicture(picture, levelScale())), 0);
  EXPECT_EQ(viewAngleB, -30);
}

TEST_F(LevelViewTest, ShowLevelActsOnKeysAndTurnsByFiveDegrees) {
  buildUpTo(1);
  type("\r");  // waiting before the picture is built: taken during the pass, then acted on
  EXPECT_EQ(showLevel(), 0);
  EXPECT_EQ(viewAngleB, -30);

  // An arrow, then Esc once the picture after the turn is up.
  std::thread typist([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    terminal_.type("\033[C");
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    terminal_.type("\033[A");
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    terminal_.type("x");  // ignored
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    terminal_.type("\033");
  });
  EXPECT_EQ(showLevel(), 1);
  typist.join();
  EXPECT_EQ(viewAngleB, -25);
  EXPECT_EQ(viewAngleA, 25);
}

}  // namespace
