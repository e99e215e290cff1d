// A window that goes away while it is being drawn on: closed by its user in
// the middle of drawing and repainting, or lost with its X server. Nothing
// may crash, hang or touch freed memory (run under the sanitizers too).
#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <thread>

#include "graphics/drawing.h"
#include "tests/support/xvfb.h"
#include "window_support.h"

namespace {

// An X server of this test's own, to be killed.
class doomedXServer : public xvfbServer {
 public:
  doomedXServer() : xvfbServer("640x480x24") {}
};

void drawSomething(int i) {
  graphicSetPos(i % 200, 10, false);
  graphicLineTo(150, i % 150, static_cast<int32_t>(i * 997u & 0xFFFFFF), false);
  if (i % 7 == 0) graphicBox(10, 10, 60, 50, CORNER_ELLIPSE, RED, 0x00FF0000, i % 7);
  if (i % 50 == 0) graphicClear(COLOR_DEFAULT, 0);
}

TEST(LostServer, DrawingAndRedrawingGoOnQuietlyAfterTheServerDies) {
  doomedXServer server;
  ASSERT_FALSE(server.name().empty());
  setenv("DISPLAY", server.name().c_str(), 1);
  const int32_t threads = graphicWindowThreads();
  const uint32_t frame = openWindow("doomed");
  ASSERT_NE(frame, 0u) << graphicWindowFailure();
  graphicAttach(frame, 0, true);
  graphicSetPenWidth(3);

  // Another thread keeps asking for repaints of an immediate target.
  std::atomic<bool> stop{false};
  std::thread painter([&] {
    graphicAttach(frame, 0, false);
    for (int i = 0; !stop; ++i) {
      drawSomething(i);
      graphicRedraw();
    }
  });
  for (int i = 0; i < 20; ++i) {
    drawSomething(i);
    graphicRedraw();
  }
  server.kill();
  int i = 0;
  const bool ended = waitFor([&] {
    drawSomething(++i);
    graphicRedraw();
    return graphicWindowThreads() == threads;
  });
  EXPECT_TRUE(ended) << "the window thread did not notice";
  stop = true;
  painter.join();
  EXPECT_FALSE(findTarget(frame));
  errorCode = 0;
  drawSomething(1);
  graphicRedraw();
  EXPECT_EQ(errorCode, 0);
  getThreadBlock()->currentTarget = 0;
  unsetenv("DISPLAY");
}

TEST_F(WindowTest, ClosingInTheMiddleOfDrawingAndRepaintingIsSafe) {
  for (bool buffered : {true, false}) {
    const int32_t threads = graphicWindowThreads();
    const uint32_t frame = openWindow("busy", 0, 0, 200, 150);
    ASSERT_NE(frame, 0u) << graphicWindowFailure();
    std::atomic<bool> closed{false};
    const uint32_t frameWindow = onScreen(frame);
    std::thread user([&] {
      x11Probe hand(display_);
      // Make the window thread repaint on its own while we draw.
      for (int i = 0; i < 15; ++i) {
        const uint32_t cover = hand.cover(i * 10, 0, 60, 60, 0);
        hand.uncover(cover);
      }
      hand.sendDeleteWindow(frameWindow);
      closed = true;
    });
    graphicAttach(frame, 0, buffered);
    graphicSetPenWidth(3);
    int i = 0;
    const bool ended = waitFor(
        [&] {
          for (int k = 0; k < 50; ++k) drawSomething(++i);
          graphicRedraw();
          return closed && graphicWindowThreads() == threads;
        },
        30000);
    user.join();
    EXPECT_TRUE(ended);
    EXPECT_FALSE(findTarget(frame));
    for (int k = 0; k < 100; ++k) drawSomething(k);
    graphicRedraw();
  }
}

// The X server gives a new window the ids of one just closed. The closed
// window's handles must stay dead all the same: threads that keep drawing
// through them draw nothing, into the new window least of all, and the new
// window's records are whole before anyone can find them.
TEST_F(WindowTest, AClosedWindowsHandlesNeverComeBackToLife) {
  const uint32_t first = openWindow("first", 0, 0, 200, 150);
  ASSERT_NE(first, 0u) << graphicWindowFailure();
  graphicAttach(first, 0, true);
  std::atomic<bool> attached{false}, stop{false};
  std::thread drawer([&] {
    graphicAttach(first, 0, false);
    attached = true;
    for (int i = 0; !stop; ++i) {
      graphicClear(RED, 0);
      drawSomething(i);
    }
    getThreadBlock()->currentTarget = 0;
  });
  ASSERT_TRUE(waitFor([&] { return attached.load(); }));
  ASSERT_TRUE(closeByUser(first));

  const uint32_t second = openWindow("second", 0, 0, 200, 150);
  ASSERT_NE(second, 0u) << graphicWindowFailure();
  const uint32_t canvas = canvasOf(second);
  for (int i = 0; i < 300; ++i) {
    graphicClear(RED, 0);
    drawSomething(i);
    graphicRedraw();
  }
  stop = true;
  drawer.join();
  EXPECT_EQ(backBuffer(canvas).count(FACE), 200u * 150);
  EXPECT_TRUE(screenShowsBackBuffer(canvas));
  EXPECT_EQ(screen(canvas).count(FACE), 200u * 150);
  EXPECT_TRUE(closeByUser(second));
}

TEST(SharedBitmap, TwoThreadsDrawingIntoOneTargetKeepItWhole) {
  const uint32_t bitmap = graphicBitmapCreate(100, 100);
  auto worker = [&](int32_t colour) {
    graphicAttach(bitmap, 0, true);
    graphicSetPenWidth(3);
    for (int i = 0; i < 3000; ++i) {
      graphicSetPos(i % 100, 0, false);
      graphicLineTo(99 - i % 100, 99, colour, false);
    }
    getThreadBlock()->currentTarget = 0;
  };
  std::thread a(worker, RED), b(worker, 0x00FF0000);
  // Released while both may still be drawing into it.
  std::this_thread::sleep_for(std::chrono::milliseconds(5));
  graphicBitmapRelease(bitmap);
  a.join();
  b.join();
  EXPECT_FALSE(findTarget(bitmap));
}

}  // namespace
