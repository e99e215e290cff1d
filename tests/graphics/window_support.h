#pragma once
// A window test: a private X server, a probe on it, and windows made the
// way the program makes them.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "graphics/window.h"
#include "graphics/windowthread.h"
#include "graphics_support.h"
#include "tests/support/windowthreads.h"
#include "tests/support/x11probe.h"
#include "tests/support/xvfb.h"

inline uint32_t openWindow(const char* title, int32_t x = 5, int32_t y = 0, int32_t width = 200, int32_t height = 150,
                           uint32_t style = 0) {
  const rtStringRef caption(reinterpret_cast<const uint8_t*>(title), static_cast<int32_t>(std::strlen(title)));
  return graphicWindowCreate(caption, x, y, width, height, style);
}

inline uint32_t canvasOf(uint32_t frame) {
  targetRef canvas = findChildTarget(frame, 0);
  return canvas ? canvas->handle : 0;
}

// The X server's id of a frame's or canvas's window, to look at it from
// outside; 0 once it is gone.
inline uint32_t onScreen(uint32_t target) {
  targetRef record = findTarget(target);
  return record ? record->screenWindow : 0;
}

// Whether the window's picture goes through MIT-SHM, as the system sees it:
// this process made a System V segment of the canvas's size, and it and the
// X server both have it attached.
inline bool graphicWindowSharesMemory(uint32_t frame) {
  targetRef canvas = findChildTarget(frame, 0);
  if (!canvas) return false;
  const unsigned long bytes = static_cast<unsigned long>(canvas->width) * canvas->height * 4;
  std::ifstream segments("/proc/sysvipc/shm");
  std::string line;
  std::getline(segments, line);  // the column names
  while (std::getline(segments, line)) {
    std::istringstream row(line);
    long key, id, permissions, creator, lastUser, attachments;
    unsigned long size;
    if (!(row >> key >> id >> permissions >> size >> creator >> lastUser >> attachments)) continue;
    if (creator == getpid() && size == bytes && attachments >= 2) return true;
  }
  return false;
}

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    useDisplay(testXServer::display());
    errorCode = 0;
  }
  // Windows are made on `display` from now on, and the probe looks there.
  void useDisplay(const std::string& display) {
    display_ = display;
    ASSERT_FALSE(display_.empty()) << "Xvfb could not be started";
    setenv("DISPLAY", display_.c_str(), 1);
    probe_ = std::make_unique<x11Probe>(display_);
    ASSERT_TRUE(probe_->connected());
  }
  void TearDown() override {
    if (threadBlock* block = getThreadBlock()) block->currentTarget = 0;
  }

  // What the server shows of a window, by its X id.
  picture screenWindow(uint32_t window) {
    picture p;
    EXPECT_TRUE(probe_->readPixels(window, p.pixels, p.width, p.height));
    return p;
  }
  // What the server shows of a canvas.
  picture screen(uint32_t canvas) { return screenWindow(onScreen(canvas)); }
  // Waits until the screen shows exactly the window's back buffer.
  bool screenShowsBackBuffer(uint32_t canvas, int ms = 10000) {
    return waitFor([&] { return screen(canvas).pixels == backBuffer(canvas).pixels; }, ms);
  }
  // Closes a window as its user would and waits until its thread is gone.
  bool closeByUser(uint32_t frame) {
    const int32_t threads = graphicWindowThreads();
    if (!probe_->sendDeleteWindow(onScreen(frame))) return false;
    return waitFor([&] { return graphicWindowThreads() == threads - 1 && !findTarget(frame); });
  }

  std::string display_;
  std::unique_ptr<x11Probe> probe_;
};
