#include "platform/x11errors.h"

#include <mutex>
#include <set>

namespace {

std::mutex lostMutex;
std::set<Display*> lostDisplays;

int ignoreProtocolError(Display*, XErrorEvent*) { return 0; }
int noteIoError(Display*) { return 0; }

// Xlib calls this after a fatal I/O error instead of exit(): remember the
// connection as dead and let the call return.
void keepRunning(Display* display, void*) {
  std::lock_guard<std::mutex> lock(lostMutex);
  lostDisplays.insert(display);
}

}  // namespace

Display* x11OpenDisplay(const char* name) {
  static std::once_flag once;
  std::call_once(once, [] {
    XInitThreads();
    XSetErrorHandler(ignoreProtocolError);
    XSetIOErrorHandler(noteIoError);
  });
  Display* display = XOpenDisplay(name);
  if (display) {
    {
      std::lock_guard<std::mutex> lock(lostMutex);
      lostDisplays.erase(display);  // a reused address is a new connection
    }
    XSetIOErrorExitHandler(display, keepRunning, nullptr);
  }
  return display;
}

bool x11ConnectionLost(Display* display) {
  std::lock_guard<std::mutex> lock(lostMutex);
  return lostDisplays.count(display) != 0;
}
