#include "graphics/window.h"

#include <memory>
#include <new>
#include <string>
#include <system_error>
#include <thread>

#include "graphics/windowthread.h"
#include "platform/x11window.h"

namespace {

thread_local std::string lastFailure;

}  // namespace

uint32_t graphicWindowCreate(rtStringRef title, int32_t x, int32_t y, int32_t width, int32_t height,
                             uint32_t style) {
  lastFailure.clear();
  const std::string display = x11DefaultDisplay();
  if (display.empty()) {
    lastFailure = "no display (DISPLAY is not set)";
    return 0;
  }
  std::shared_ptr<windowCreation> creation;
  try {
    creation = std::make_shared<windowCreation>();
    creation->display = display;
    if (title.data() && title.length() > 0)
      creation->title.assign(reinterpret_cast<const char*>(title.data()), static_cast<size_t>(title.length()));
    creation->x = x;
    creation->y = y;
    creation->width = width;
    creation->height = height;
    creation->style = style;
    std::thread(windowThreadMain, creation).detach();
  } catch (const std::bad_alloc&) {
    lastFailure = "out of memory";
    return 0;
  } catch (const std::system_error&) {
    lastFailure = "cannot start a window thread";
    return 0;
  }
  std::unique_lock<std::mutex> lock(creation->mutex);
  creation->answered.wait(lock, [&] { return creation->done; });
  if (creation->result == 0) lastFailure = creation->failure.empty() ? "cannot create the window" : creation->failure;
  return creation->result;
}

const char* graphicWindowFailure() { return lastFailure.c_str(); }
