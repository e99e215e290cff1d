// The graphic window on a real X server: its place, size and properties,
// the first picture, buffered and immediate drawing, repainting after being
// covered, closing, and a second window.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>

#include "graphics/drawing.h"
#include "window_support.h"

namespace {

// The longs of a 32-bit property.
std::vector<long> longsOf(const std::string& bytes) {
  std::vector<long> out(bytes.size() / sizeof(long));
  std::memcpy(out.data(), bytes.data(), out.size() * sizeof(long));
  return out;
}

TEST_F(WindowTest, TheFrameIsWhereAskedWithExactlyTheClientSize) {
  const uint32_t frame = openWindow("Hilbert Curve in 3D", 5, 0, 750, 750);
  ASSERT_NE(frame, 0u) << graphicWindowFailure();
  EXPECT_STREQ(graphicWindowFailure(), "");
  EXPECT_EQ(probe_->findWindow("Hilbert Curve in 3D", 5000), onScreen(frame));

  x11Probe::geometry g;
  ASSERT_TRUE(probe_->windowGeometry(onScreen(frame), g));
  EXPECT_EQ(g.x, 5);
  EXPECT_EQ(g.y, 0);
  EXPECT_EQ(g.width, 750);
  EXPECT_EQ(g.height, 750);
  const uint32_t canvas = canvasOf(frame);
  ASSERT_NE(canvas, 0u);
  EXPECT_EQ(probe_->children(onScreen(frame)), std::vector<uint32_t>{onScreen(canvas)});
  ASSERT_TRUE(probe_->windowGeometry(onScreen(canvas), g));
  EXPECT_EQ(g.x, 5);
  EXPECT_EQ(g.width, 750);
  EXPECT_EQ(g.height, 750);

  // The first picture is the face colour, on the screen and in the buffer.
  const picture shown = screen(canvas);
  EXPECT_EQ(shown.count(FACE), 750u * 750);
  EXPECT_EQ(backBuffer(canvas).count(FACE), 750u * 750);
  std::string type;

  // What a window manager reads: who the window is, whose process on which
  // machine (to end it when it hangs), and that it is not to take the focus.
  EXPECT_EQ(probe_->property(onScreen(frame), "WM_CLASS"), std::string("hilbert3d\0TORVAGRAPH\0", 21));
  EXPECT_EQ(longsOf(probe_->property(onScreen(frame), "_NET_WM_PID")), std::vector<long>{static_cast<long>(getpid())});
  char host[256] = {};
  EXPECT_EQ(gethostname(host, sizeof host - 1), 0);
  EXPECT_EQ(probe_->property(onScreen(frame), "WM_CLIENT_MACHINE", &type), host);
  EXPECT_EQ(type, "STRING");
  EXPECT_EQ(longsOf(probe_->property(onScreen(frame), "_NET_WM_USER_TIME")), std::vector<long>{0});
  EXPECT_EQ(probe_->property(onScreen(frame), "_NET_WM_NAME", &type), "Hilbert Curve in 3D");
  EXPECT_EQ(type, "UTF8_STRING");
  const std::vector<long> size = longsOf(probe_->property(onScreen(frame), "WM_NORMAL_HINTS"));
  ASSERT_GE(size.size(), 18u);
  EXPECT_TRUE(size[0] & (1 | 4)) << "USPosition or PPosition";
  EXPECT_TRUE(size[0] & 512) << "PWinGravity";
  EXPECT_EQ(size[17], 1) << "NorthWestGravity";
  EXPECT_EQ(size[5], 750);
  EXPECT_EQ(size[7], 750);
  EXPECT_EQ(size[6], 750);
  EXPECT_EQ(size[8], 750);
  const std::vector<long> motif = longsOf(probe_->property(onScreen(frame), "_MOTIF_WM_HINTS"));
  ASSERT_EQ(motif.size(), 5u);
  EXPECT_TRUE(motif[2] & 8) << "a caption";
  EXPECT_FALSE(motif[1] & 16) << "no maximise";
  EXPECT_TRUE(motif[1] & 32) << "a close button";
  EXPECT_TRUE(closeByUser(frame));
}

TEST_F(WindowTest, AnEmptyTitleAsksForNoCaption) {
  const uint32_t frame = openWindow("", 40, 30, 120, 80);
  ASSERT_NE(frame, 0u) << graphicWindowFailure();
  const std::vector<long> motif = longsOf(probe_->property(onScreen(frame), "_MOTIF_WM_HINTS"));
  ASSERT_EQ(motif.size(), 5u);
  EXPECT_FALSE(motif[2] & 8) << "no caption";
  EXPECT_TRUE(motif[2] & 2) << "a border";
  x11Probe::geometry g;
  ASSERT_TRUE(probe_->windowGeometry(onScreen(frame), g));
  EXPECT_EQ(g.x, 40);
  EXPECT_EQ(g.y, 30);
  EXPECT_EQ(g.width, 120);
  EXPECT_EQ(g.height, 80);
  EXPECT_TRUE(closeByUser(frame));
}

TEST_F(WindowTest, BufferedDrawingReachesTheScreenOnlyOnRedraw) {
  const uint32_t frame = openWindow("buffered");
  ASSERT_NE(frame, 0u) << graphicWindowFailure();
  const uint32_t canvas = canvasOf(frame);
  graphicAttach(frame, 0, true);
  EXPECT_EQ(errorCode, 0);
  EXPECT_EQ(getThreadBlock()->currentTarget, canvas);
  graphicSetPenWidth(3);
  graphicSetPos(10, 20, false);
  graphicLineTo(150, 20, RED, false);
  graphicBox(50, 50, 70, 70, CORNER_ELLIPSE, RED, RED, 0);

  // Give the window thread every chance to show it early.
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_EQ(screen(canvas).count(FACE), 200u * 150);
  graphicRedraw();
  const picture shown = screen(canvas);
  EXPECT_EQ(shown.at(80, 20), RED);
  EXPECT_EQ(shown.at(60, 60), RED);
  EXPECT_EQ(shown.pixels, backBuffer(canvas).pixels);
  EXPECT_TRUE(closeByUser(frame));
}

TEST_F(WindowTest, ImmediateDrawingIsOnTheScreenWhenTheCallReturns) {
  const uint32_t frame = openWindow("immediate");
  ASSERT_NE(frame, 0u) << graphicWindowFailure();
  const uint32_t canvas = canvasOf(frame);
  graphicAttach(frame, 0, false);
  EXPECT_FALSE(findTarget(canvas)->flags.load() & TARGET_BUFFERED);
  for (int i = 0; i < 5; ++i) {
    graphicSetPos(10, 10 + 20 * i, false);
    graphicLineTo(190, 10 + 20 * i, RED, false);
    const picture shown = screen(canvas);
    for (int j = 0; j <= i; ++j) EXPECT_EQ(shown.at(100, 10 + 20 * j), RED) << i << " " << j;
    EXPECT_EQ(shown.at(100, 10 + 20 * (i + 1)), FACE);
  }
  graphicClear(0x00FF00, 0);
  EXPECT_EQ(screen(canvas).count(0x00FF00), 200u * 150);
  EXPECT_TRUE(closeByUser(frame));
}

TEST_F(WindowTest, UncoveringShowsTheBackBufferAsItIsThen) {
  const uint32_t frame = openWindow("covered", 5, 0, 300, 200);
  ASSERT_NE(frame, 0u) << graphicWindowFailure();
  const uint32_t canvas = canvasOf(frame);
  graphicAttach(frame, 0, true);
  graphicSetPenWidth(5);
  graphicSetPos(0, 100, false);
  graphicLineTo(300, 100, RED, false);
  graphicRedraw();
  // Drawn after the last redraw: not on the screen yet.
  graphicSetPos(150, 0, false);
  graphicLineTo(150, 200, 0x00FF0000, false);
  EXPECT_EQ(screen(canvas).at(150, 50), FACE);

  // Xvfb keeps nothing of what a window hides.
  const uint32_t cover = probe_->cover(0, 0, 400, 300, 0x00123456);
  ASSERT_NE(cover, 0u);
  EXPECT_EQ(screenWindow(cover).count(0x00123456), 400u * 300);
  EXPECT_TRUE(waitFor([&] { return screen(canvas).pixels != backBuffer(canvas).pixels; }));
  probe_->uncover(cover);
  EXPECT_TRUE(screenShowsBackBuffer(canvas));
  EXPECT_EQ(screen(canvas).at(150, 50), 0x00FF0000u);

  // Half covered, then uncovered again: the whole picture is back.
  const uint32_t half = probe_->cover(100, 50, 100, 100, 0x00654321);
  EXPECT_TRUE(waitFor([&] { return screen(canvas).pixels != backBuffer(canvas).pixels; }));
  probe_->uncover(half);
  EXPECT_TRUE(screenShowsBackBuffer(canvas));
  EXPECT_TRUE(closeByUser(frame));
}

TEST_F(WindowTest, ClosingTheWindowEndsItsThreadAndLeavesQuietNoOps) {
  const int32_t threads = graphicWindowThreads();
  const uint32_t frame = openWindow("closing");
  ASSERT_NE(frame, 0u) << graphicWindowFailure();
  EXPECT_EQ(graphicWindowThreads(), threads + 1);
  const uint32_t canvas = canvasOf(frame);
  graphicAttach(frame, 0, true);
  graphicLineTo(100, 100, RED, false);

  const uint32_t frameWindow = onScreen(frame);
  ASSERT_TRUE(probe_->sendDeleteWindow(frameWindow));
  EXPECT_TRUE(waitFor([&] { return graphicWindowThreads() == threads; }));
  EXPECT_TRUE(probe_->waitGone(frameWindow, 5000));
  EXPECT_FALSE(findTarget(frame));
  EXPECT_FALSE(findTarget(canvas));

  errorCode = 0;
  EXPECT_EQ(getThreadBlock()->currentTarget, canvas);  // kept, but no longer found
  graphicSetPenWidth(3);
  graphicSetPos(5, 5, false);
  graphicLineTo(50, 50, RED, false);
  graphicBox(1, 1, 20, 20, 0, RED, RED, 0);
  graphicClear(COLOR_DEFAULT, 0);
  graphicRedraw();
  EXPECT_EQ(errorCode, 0);
  std::vector<uint32_t> gone;
  EXPECT_FALSE(graphicTargetPixels(canvas, gone));

  graphicAttach(frame, 0, true);
  EXPECT_EQ(errorCode, 5);
  EXPECT_EQ(getThreadBlock()->currentTarget, 0u);
}

TEST_F(WindowTest, ASecondWindowHasAThreadOfItsOwn) {
  const int32_t threads = graphicWindowThreads();
  const uint32_t first = openWindow("first", 0, 0, 100, 100);
  const uint32_t second = openWindow("second", 200, 0, 100, 100);
  ASSERT_NE(first, 0u) << graphicWindowFailure();
  ASSERT_NE(second, 0u) << graphicWindowFailure();
  EXPECT_NE(first, second);
  EXPECT_EQ(graphicWindowThreads(), threads + 2);
  EXPECT_EQ(probe_->findWindow("second", 5000), onScreen(second));

  graphicAttach(first, 0, true);
  graphicClear(RED, 0);
  graphicRedraw();
  graphicAttach(second, 0, true);
  graphicClear(0x00FF0000, 0);
  graphicRedraw();
  EXPECT_EQ(screen(canvasOf(first)).count(RED), 100u * 100);
  EXPECT_EQ(screen(canvasOf(second)).count(0x00FF0000), 100u * 100);

  EXPECT_TRUE(closeByUser(first));
  graphicClear(0x0000FF00, 0);
  graphicRedraw();
  EXPECT_EQ(screen(canvasOf(second)).count(0x0000FF00), 100u * 100);
  EXPECT_TRUE(closeByUser(second));
}

TEST_F(WindowTest, BothWaysOfCopyingShowTheBackBuffer) {
  // MIT-SHM where the server offers it, XPutImage on a server without it.
  for (bool shared : {true, false}) {
    if (!shared) useDisplay(testXServer::displayWithoutSharedMemory());
    const uint32_t frame = openWindow(shared ? "shared" : "plain", 0, 0, 257, 131);  // odd sizes on purpose
    ASSERT_NE(frame, 0u) << graphicWindowFailure();
    EXPECT_EQ(graphicWindowSharesMemory(frame), shared);
    const uint32_t canvas = canvasOf(frame);
    graphicAttach(frame, 0, true);
    graphicSetPenWidth(2);
    for (int i = 0; i < 40; ++i) {
      graphicSetPos(i * 7 % 257, i * 13 % 131, false);
      graphicLineTo(i * 29 % 257, i * 3 % 131, static_cast<int32_t>(0x00010203u * i), false);
    }
    graphicClear(0x00336699, 6);
    graphicBox(10, 10, 200, 120, 30, 0x00FF8800, 0x000088FF, 3);
    graphicRedraw();
    EXPECT_EQ(screen(canvas).pixels, backBuffer(canvas).pixels) << (shared ? "MIT-SHM" : "XPutImage");
    EXPECT_TRUE(closeByUser(frame));
  }
}

TEST_F(WindowTest, AttachPicksTheCanvasAndRefusesEverythingElse) {
  const uint32_t frame = openWindow("attach");
  ASSERT_NE(frame, 0u) << graphicWindowFailure();
  const uint32_t canvas = canvasOf(frame);
  graphicAttach(frame, 0, true);
  EXPECT_EQ(errorCode, 0);
  EXPECT_EQ(getThreadBlock()->currentTarget, canvas);
  EXPECT_TRUE(findTarget(canvas)->flags.load() & TARGET_BUFFERED);

  graphicAttach(frame, 1, true);  // no such child: the frame itself, which cannot be drawn on
  EXPECT_EQ(errorCode, 5);
  EXPECT_EQ(getThreadBlock()->currentTarget, 0u);
  errorCode = 0;
  graphicAttach(canvas, 0, true);  // the canvas named directly
  EXPECT_EQ(errorCode, 0);
  EXPECT_EQ(getThreadBlock()->currentTarget, canvas);
  graphicAttach(0, 0, true);  // what a failed create returns
  EXPECT_EQ(errorCode, 5);
  EXPECT_EQ(getThreadBlock()->currentTarget, 0u);

  // A bitmap is buffered whatever is asked.
  errorCode = 0;
  const uint32_t bitmap = graphicBitmapCreate(10, 10);
  graphicAttach(bitmap, 0, false);
  EXPECT_EQ(errorCode, 0);
  EXPECT_TRUE(findTarget(bitmap)->flags.load() & TARGET_BUFFERED);
  graphicRedraw();  // no window: nothing to do
  graphicBitmapRelease(bitmap);
  EXPECT_TRUE(closeByUser(frame));
}

// Every way a window cannot be opened is said, and nothing lands on standard
// error meanwhile: that is the terminal, with the panel on it. A server that
// admits only its cookie's holders, as a display manager's does, turns away
// a client with no cookie or the wrong one, and lets in the right one.
TEST_F(WindowTest, AWindowThatCannotBeOpenedSaysWhyAndNothingElse) {
  char pattern[] = "/tmp/h3d-cookies-XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  const std::string dir = pattern, cookie = "0123456789abcdef0123456789abcdef";
  ASSERT_TRUE(addCookie(dir + "/server", ":0", cookie));
  xvfbServer guarded("640x480x24", true, (dir + "/server").c_str());
  ASSERT_FALSE(guarded.name().empty()) << "Xvfb could not be started";
  ASSERT_TRUE(addCookie(dir + "/right", guarded.name(), cookie));
  ASSERT_TRUE(addCookie(dir + "/wrong", guarded.name(), "fedcba9876543210fedcba9876543210"));
  const std::string refused = "display " + guarded.name() + " refused the connection: ";
  const struct {
    const char* display;
    std::string authority, failure;
  } cases[] = {
      {nullptr, "", "no display (DISPLAY is not set)"},
      {":987", "", "cannot open display :987"},  // nobody there
      {guarded.name().c_str(), dir + "/none",
       refused + "Authorization required, but no authorization protocol specified"},
      {guarded.name().c_str(), dir + "/wrong", refused + "Invalid MIT-MAGIC-COOKIE-1 key"},
      {guarded.name().c_str(), dir + "/right", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.display ? c.display : "no DISPLAY") + " " + c.authority);
    if (c.display) {
      setenv("DISPLAY", c.display, 1);
    } else {
      unsetenv("DISPLAY");
    }
    setenv("XAUTHORITY", c.authority.c_str(), 1);
    const std::string said = dir + "/stderr";
    const int saved = dup(2), file = open(said.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    dup2(file, 2);
    errorCode = 0;
    const uint32_t frame = openWindow("guarded");
    dup2(saved, 2);
    close(saved);
    close(file);
    std::stringstream written;
    written << std::ifstream(said).rdbuf();
    EXPECT_EQ(written.str(), "") << "on standard error";
    EXPECT_EQ(graphicWindowFailure(), c.failure);
    EXPECT_EQ(errorCode, 0);
    if (frame == 0) continue;
    EXPECT_TRUE(c.failure.empty());
    useDisplay(c.display);
    EXPECT_TRUE(closeByUser(frame));
    useDisplay(testXServer::display());
  }
  unsetenv("XAUTHORITY");
  // Without a window the rest is quiet.
  graphicAttach(0, 0, true);
  EXPECT_EQ(errorCode, 5);
  graphicLineTo(10, 10, RED, false);
  graphicRedraw();
  std::filesystem::remove_all(dir);
}

}  // namespace
