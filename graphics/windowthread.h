#pragma once
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "graphics/registry.h"
#include "graphics/windowchannel.h"
#include "platform/x11window.h"

// What graphicWindowCreate hands its window thread, and the thread's answer.
struct windowCreation {
  x11FrameRequest request;

  std::mutex mutex;
  std::condition_variable answered;
  bool done = false;
  uint32_t result = 0;  // the frame's handle, 0 on failure
  std::string failure;
};

// One live graphic window, as its thread sees it.
struct graphicWindow {
  x11Frame* frame = nullptr;
  uint32_t frameHandle = 0, canvasHandle = 0;
  targetRef frameRecord, canvasRecord;
  std::shared_ptr<windowChannel> channel;
  bool running = true;
};

// The name every window thread goes by (as ps and debuggers show it).
inline constexpr char WINDOW_THREAD_NAME[] = "h3d window";

// The body of a window thread: makes the window, answers the creator, then
// runs the window's event loop until the window is gone.
void windowThreadMain(std::shared_ptr<windowCreation> creation);
