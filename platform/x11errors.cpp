#include "platform/x11errors.h"

#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <map>
#include <mutex>
#include <set>

#include "platform/x11refusal.h"

namespace {

// Never destroyed: a window thread may still close its connection while
// the process runs its exit-time destructors.
std::mutex& errorMutex = *new std::mutex;
std::set<Display*>& lostDisplays = *new std::set<Display*>;
std::map<Display*, unsigned long>& lastErrorSerial = *new std::map<Display*, unsigned long>;

// Connections closed so far. A window thread that ends on its own is not
// joined; the exit handler reads this so that libX11's own clean-up at exit
// comes after every close that already happened.
std::atomic<unsigned> closedConnections{0};
void seeClosedConnections() { (void)closedConnections.load(std::memory_order_acquire); }

// Protocol errors are remembered per connection for x11ErrorSince and
// otherwise ignored.
int noteProtocolError(Display* display, XErrorEvent* error) {
  std::lock_guard<std::mutex> lock(errorMutex);
  unsigned long& last = lastErrorSerial[display];
  if (error->serial > last) last = error->serial;
  return 0;
}

int noteIoError(Display*) { return 0; }

// Xlib calls this after a fatal I/O error instead of exit(): remember the
// connection as dead and let the call return.
void keepRunning(Display* display, void*) {
  std::lock_guard<std::mutex> lock(errorMutex);
  lostDisplays.insert(display);
}

void forget(Display* display) {
  std::lock_guard<std::mutex> lock(errorMutex);
  lostDisplays.erase(display);
  lastErrorSerial.erase(display);
}

}  // namespace

Display* x11OpenDisplay(const char* name, std::string* refusal) {
  static std::once_flag once;
  std::call_once(once, [] {
    XInitThreads();
    XSetErrorHandler(noteProtocolError);
    XSetIOErrorHandler(noteIoError);
    std::atexit(seeClosedConnections);
  });
  int admitted = -1;
  const std::string refused = x11ServerRefusal(name, admitted);
  if (!refused.empty()) {
    if (refusal) *refusal = refused;
    return nullptr;
  }
  Display* display = XOpenDisplay(name);
  if (admitted >= 0) close(admitted);
  if (display) {
    forget(display);  // a reused address is a new connection
    XSetIOErrorExitHandler(display, keepRunning, nullptr);
  }
  return display;
}

bool x11ConnectionLost(Display* display) {
  std::lock_guard<std::mutex> lock(errorMutex);
  return lostDisplays.count(display) != 0;
}

bool x11ErrorSince(Display* display, unsigned long serial) {
  std::lock_guard<std::mutex> lock(errorMutex);
  auto found = lastErrorSerial.find(display);
  return found != lastErrorSerial.end() && found->second >= serial;
}

void x11CloseDisplay(Display* display) {
  if (!display) return;
  XCloseDisplay(display);
  forget(display);
  closedConnections.fetch_add(1, std::memory_order_release);
}
