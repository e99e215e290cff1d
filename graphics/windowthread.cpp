#include "graphics/windowthread.h"

#include <pthread.h>

#include <algorithm>
#include <new>

#include "graphics/raster.h"
#include "graphics/windowprocs.h"

namespace {

void answer(windowCreation& creation, uint32_t result, const std::string& failure) {
  {
    std::lock_guard<std::mutex> lock(creation.mutex);
    creation.result = result;
    creation.failure = failure;
    creation.done = true;
  }
  creation.answered.notify_all();
}

// Registers the frame and its canvas, the canvas with a back buffer in the
// face colour. Each record is whole before it is registered: a thread that
// finds it may draw at once.
bool registerWindow(graphicWindow& w, int32_t width, int32_t height, std::string& failure) {
  w.frameHandle = newTargetHandle();
  w.canvasHandle = newTargetHandle();
  w.frameRecord = newTarget(w.frameHandle, 0, FRAME_FLAGS, TARGET_FRAME);
  w.canvasRecord = newTarget(w.canvasHandle, w.frameHandle, CANVAS_FLAGS, TARGET_CANVAS);
  if (!w.frameRecord || !w.canvasRecord) {
    failure = "no memory to register the window";
    return false;
  }
  w.frameRecord->screenWindow = x11FrameWindow(w.frame);
  graphicTarget& canvas = *w.canvasRecord;
  if (!canvas.makePixels(width, height, pixelOf(FACE_COLOR))) {
    failure = "no memory for a " + std::to_string(width) + "x" + std::to_string(height) + " picture";
    return false;
  }
  canvas.penWidth = 0;
  canvas.window = w.channel;
  canvas.screenWindow = x11FrameCanvas(w.frame);
  if (!registerTarget(w.frameRecord)) {
    failure = "cannot register the window";
    return false;
  }
  if (!registerTarget(w.canvasRecord)) {
    destroyTarget(w.frameHandle);
    failure = "cannot register the window's canvas";
    return false;
  }
  return true;
}

void runEventLoop(graphicWindow& w) {
  while (w.running) {
    const x11Event event = x11FrameNextEvent(w.frame, w.channel->wakeFd());
    switch (event.kind) {
      case x11EventKind::wake:
        if (const uint64_t request = w.channel->takeRequests()) {
          paintCanvas(w);
          w.channel->repainted(request);
        }
        break;
      case x11EventKind::connectionLost:
        // The server went away: the window with it.
        destroyTarget(w.frameHandle);
        w.running = false;
        break;
      default:
        if (event.window == w.canvasRecord->screenWindow)
          canvasWindowProc(w, event);
        else
          frameWindowProc(w, event);
        break;
    }
  }
}

}  // namespace

void windowThreadMain(std::shared_ptr<windowCreation> creation) {
  pthread_setname_np(pthread_self(), WINDOW_THREAD_NAME);

  graphicWindow w;
  std::string failure;
  w.channel = windowChannel::create();
  if (!w.channel) failure = "cannot make a wake-up descriptor";
  if (w.channel) w.frame = x11FrameCreate(creation->request, failure);
  if (w.frame) {
    if (registerWindow(w, creation->request.width, creation->request.height, failure)) {
      paintCanvas(w);
    } else {
      x11FrameRelease(w.frame);
      w.frame = nullptr;
    }
  }
  answer(*creation, w.frame ? w.frameHandle : 0, failure);
  creation.reset();
  if (w.frame) {
    runEventLoop(w);
    w.channel->close();
    x11FrameRelease(w.frame);
  }
  if (w.channel) w.channel->close();
}
