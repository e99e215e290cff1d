// Keys and clicks in the canvas land in its record and nowhere else.
#include <gtest/gtest.h>

#include "graphics/drawing.h"
#include "window_support.h"

namespace {

class InputTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    if (HasFatalFailure()) return;
    frame_ = openWindow("input", 0, 0, 120, 90);
    ASSERT_NE(frame_, 0u) << graphicWindowFailure();
    canvas_ = onScreen(canvasOf(frame_));
    record_ = findChildTarget(frame_, 0);
    graphicAttach(frame_, 0, true);
  }
  void TearDown() override {
    record_.reset();
    if (frame_) {
      EXPECT_TRUE(closeByUser(frame_));
    }
    WindowTest::TearDown();
  }

  // Sends a key and waits until the window thread has dealt with it: the
  // redraw request after it is served only once the key was.
  uint16_t press(const std::string& key, unsigned state = 0) {
    EXPECT_TRUE(probe_->sendKey(canvas_, key, state)) << key;
    graphicRedraw();
    return record_->keySlot.load();
  }

  uint32_t frame_ = 0;
  uint32_t canvas_ = 0;  // its X id
  targetRef record_;
};

TEST_F(InputTest, AClickFocusesTheCanvasAndIsRecorded) {
  EXPECT_EQ(record_->clickFlag.load(), 0);
  EXPECT_FALSE(record_->flags.load() & TARGET_HAS_FOCUS);
  ASSERT_TRUE(probe_->sendClick(canvas_, 17, 42));
  EXPECT_TRUE(waitFor([&] { return record_->clickFlag.load() == 1; }));
  EXPECT_EQ(record_->clickX.load(), 17);
  EXPECT_EQ(record_->clickY.load(), 42);
  EXPECT_TRUE(waitFor([&] { return (record_->flags.load() & TARGET_HAS_FOCUS) != 0; }));
  // Focus elsewhere clears the flag.
  const uint32_t other = probe_->cover(300, 300, 20, 20, 0);
  ASSERT_TRUE(probe_->focus(other));
  EXPECT_TRUE(waitFor([&] { return (record_->flags.load() & TARGET_HAS_FOCUS) == 0; }));
  probe_->uncover(other);
}

TEST_F(InputTest, KeysFillTheKeySlotTheWayThePcReportsThem) {
  // Without the focus the canvas takes no keys.
  EXPECT_EQ(press("a"), 0);
  ASSERT_TRUE(probe_->sendClick(canvas_, 5, 5));
  ASSERT_TRUE(waitFor([&] { return (record_->flags.load() & TARGET_HAS_FOCUS) != 0; }));

  EXPECT_EQ(press("F1"), 0x3B00);
  EXPECT_EQ(press("a"), 0x0061);
  EXPECT_EQ(press("Tab"), 0x0061) << "Tab leaves the slot alone";
  EXPECT_EQ(press("Up"), 0x4800);
  EXPECT_EQ(press("Delete"), 0x5300) << "no character follows Delete";
  EXPECT_EQ(press("F10"), 0x4400);
  EXPECT_EQ(press("F11"), 0x8500);
  EXPECT_EQ(press("F12"), 0x8600);
  EXPECT_EQ(press("Return"), 0x000D);
  EXPECT_EQ(press("A", 1), 0x0041);  // with Shift
  EXPECT_EQ(press("Next"), 0x5100);
  EXPECT_EQ(press("a", 8), 0x5100) << "Alt with a letter is the system's";
  EXPECT_EQ(press("F10", 8), 0x4400);
}

}  // namespace
