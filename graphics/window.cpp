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

// Any of these gives the frame a border.
constexpr uint32_t STYLE_BORDERS = STYLE_BORDER | STYLE_DIALOG_FRAME | STYLE_SIZING_BORDER;

x11FrameLook lookOf(uint32_t style, bool titled) {
  if (style == 0) style = STYLE_DEFAULT_FRAME | (titled ? STYLE_CAPTION : 0);
  x11FrameLook look;
  look.caption = (style & STYLE_CAPTION) == STYLE_CAPTION;
  look.border = (style & STYLE_BORDERS) != 0;
  look.systemMenu = (style & STYLE_SYSTEM_MENU) != 0;
  look.minimizeBox = (style & STYLE_MINIMIZE_BOX) != 0;
  look.maximizeBox = (style & STYLE_MAXIMIZE_BOX) != 0;
  return look;
}

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
    x11FrameRequest& request = creation->request;
    request.display = display;
    if (title.data() && title.length() > 0)
      request.title.assign(reinterpret_cast<const char*>(title.data()), static_cast<size_t>(title.length()));
    request.x = x;
    request.y = y;
    request.width = width;
    request.height = height;
    request.look = lookOf(style, !request.title.empty());
    request.instanceName = WINDOW_INSTANCE_NAME;
    request.windowClass = WINDOW_CLASS;
    // Not a helper thread (startHelperThread): it is the window's own thread,
    // takes signals as the main thread does, and ends by itself when its
    // window goes, so nobody holds it to join.
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
