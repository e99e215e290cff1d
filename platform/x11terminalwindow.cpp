#include "platform/x11terminalwindow.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

#include "platform/x11errors.h"

namespace {

// One connection for the length of one call.
class connection {
 public:
  explicit connection(const char* name) : display_(x11OpenDisplay(name)) {}
  ~connection() {
    x11CloseDisplay(display_);
  }
  connection(const connection&) = delete;
  connection& operator=(const connection&) = delete;
  Display* get() const { return display_ && !x11ConnectionLost(display_) ? display_ : nullptr; }

 private:
  Display* display_;
};

bool hasProperty(Display* display, Window window, Atom property) {
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  int status = XGetWindowProperty(display, window, property, 0, 0, False, AnyPropertyType, &type, &format, &count,
                                  &after, &data);
  if (data) XFree(data);
  return status == Success && type != None;
}

bool parentOf(Display* display, Window window, Window& root, Window& parent) {
  Window* children = nullptr;
  unsigned int count = 0;
  if (!XQueryTree(display, window, &root, &parent, &children, &count)) return false;
  if (children) XFree(children);
  return true;
}

Window topLevel(Display* display, Window window) {
  Atom wmState = XInternAtom(display, "WM_STATE", False);
  for (int depth = 0; window != None && depth < 64; ++depth) {
    if (hasProperty(display, window, wmState)) return window;
    Window root = None, parent = None;
    if (!parentOf(display, window, root, parent)) return None;
    if (window == root) return None;
    if (parent == root) return window;
    window = parent;
  }
  return None;
}

// The ancestor that is a child of the root: the window manager's frame, or
// the window itself without one.
Window frameOf(Display* display, Window window) {
  for (int depth = 0; window != None && depth < 64; ++depth) {
    Window root = None, parent = None;
    if (!parentOf(display, window, root, parent)) return None;
    if (parent == root || window == root) return window;
    window = parent;
  }
  return None;
}

std::string titleOf(Display* display, Window window) {
  Atom netName = XInternAtom(display, "_NET_WM_NAME", False);
  Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  std::string title;
  if (XGetWindowProperty(display, window, netName, 0, 1024, False, utf8, &type, &format, &count, &after, &data) ==
          Success &&
      data && type == utf8 && format == 8) {
    title.assign(reinterpret_cast<char*>(data), count);
  }
  if (data) XFree(data);
  if (!title.empty()) return title;
  char* name = nullptr;
  if (XFetchName(display, window, &name) && name) {
    title = name;
    XFree(name);
  }
  return title;
}

bool pastDeadline(x11Deadline deadline) { return std::chrono::steady_clock::now() >= deadline; }

// The values of a 32-bit property of `type`; empty when it is not set.
std::vector<unsigned long> longsOf(Display* display, Window window, Atom property, Atom type) {
  Atom actual = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  std::vector<unsigned long> values;
  if (XGetWindowProperty(display, window, property, 0, 65536, False, type, &actual, &format, &count, &after,
                         &data) == Success &&
      data && actual == type && format == 32) {
    const auto* longs = reinterpret_cast<const unsigned long*>(data);
    values.assign(longs, longs + count);
  }
  if (data) XFree(data);
  return values;
}

std::vector<Window> childrenOf(Display* display, Window window) {
  Window root = None, parent = None, *children = nullptr;
  unsigned int count = 0;
  std::vector<Window> result;
  if (XQueryTree(display, window, &root, &parent, &children, &count) && children)
    result.assign(children, children + count);
  if (children) XFree(children);
  return result;
}

// The client inside a window manager's frame: the first window with
// WM_STATE a level or two down.
Window clientInFrame(Display* display, Window frame, Atom wmState, int depth) {
  for (Window child : childrenOf(display, frame)) {
    if (hasProperty(display, child, wmState)) return child;
    if (depth > 0) {
      if (Window client = clientInFrame(display, child, wmState, depth - 1)) return client;
    }
  }
  return None;
}

// The top-level client windows: the window manager's list when it keeps
// one, else every child of the root, or the client inside it when it is a
// window manager's frame. A walk cut short by the deadline is incomplete.
std::vector<Window> clientWindows(Display* display, x11Deadline deadline) {
  const Window root = DefaultRootWindow(display);
  std::vector<unsigned long> listed =
      longsOf(display, root, XInternAtom(display, "_NET_CLIENT_LIST", False), XA_WINDOW);
  if (!listed.empty()) return std::vector<Window>(listed.begin(), listed.end());
  const Atom wmState = XInternAtom(display, "WM_STATE", False);
  std::vector<Window> clients;
  for (Window child : childrenOf(display, root)) {
    if (pastDeadline(deadline)) break;
    if (hasProperty(display, child, wmState)) {
      clients.push_back(child);
    } else {
      const Window client = clientInFrame(display, child, wmState, 1);
      clients.push_back(client != None ? client : child);
    }
  }
  return clients;
}

bool windowManagerSupports(Display* display, Atom feature) {
  const std::vector<unsigned long> supported =
      longsOf(display, DefaultRootWindow(display), XInternAtom(display, "_NET_SUPPORTED", False), XA_ATOM);
  return std::find(supported.begin(), supported.end(), feature) != supported.end();
}

bool windowExists(Display* display, Window window) {
  XWindowAttributes attributes;
  return window != None && XGetWindowAttributes(display, window, &attributes) != 0;
}

}  // namespace

bool x11DisplayAvailable(const char* displayName) {
  connection c(displayName);
  return c.get() != nullptr;
}

uint32_t x11TopLevelWindow(const char* displayName, uint32_t window) {
  connection c(displayName);
  Display* display = c.get();
  if (!display || !windowExists(display, window)) return 0;
  return static_cast<uint32_t>(topLevel(display, window));
}

uint32_t x11FindWindowRetitled(const char* displayName, const char* title, const std::function<void()>& retitle,
                               x11Deadline deadline) {
  connection c(displayName);
  Display* display = c.get();
  if (!display || title == nullptr || *title == 0) return 0;
  // Told of every title change from before the title is asked for.
  for (Window client : clientWindows(display, deadline)) XSelectInput(display, client, PropertyChangeMask);
  XSync(display, False);
  retitle();
  const Atom netName = XInternAtom(display, "_NET_WM_NAME", False);
  for (;;) {
    while (!x11ConnectionLost(display) && XPending(display) > 0) {
      XEvent event;
      XNextEvent(display, &event);
      if (event.type == PropertyNotify && (event.xproperty.atom == XA_WM_NAME || event.xproperty.atom == netName) &&
          titleOf(display, event.xproperty.window) == title)
        return static_cast<uint32_t>(event.xproperty.window);
    }
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
    if (x11ConnectionLost(display) || left <= 0) return 0;
    pollfd readable{ConnectionNumber(display), POLLIN, 0};
    poll(&readable, 1, static_cast<int>(left) + 1);
  }
}

// A process id means something only on the machine the window's client
// runs on: over a remote connection the same number is another process.
bool onThisMachine(Display* display, Window window) {
  char host[256] = {};
  if (gethostname(host, sizeof host - 1) != 0) return false;
  XTextProperty machine{};
  bool same = false;
  if (XGetWMClientMachine(display, window, &machine) && machine.value && machine.format == 8)
    same = std::string(reinterpret_cast<char*>(machine.value), machine.nitems) == host;
  if (machine.value) XFree(machine.value);
  return same;
}

uint32_t x11FindWindowOfProcesses(const char* displayName, const std::vector<int32_t>& processes,
                                  x11Deadline deadline) {
  connection c(displayName);
  Display* display = c.get();
  if (!display || processes.empty()) return 0;
  const Atom pidAtom = XInternAtom(display, "_NET_WM_PID", False);
  std::vector<std::pair<Window, unsigned long>> owned;  // client and its process, one of ours
  for (Window client : clientWindows(display, deadline)) {
    if (pastDeadline(deadline)) return 0;
    const std::vector<unsigned long> pid = longsOf(display, client, pidAtom, XA_CARDINAL);
    const bool ours =
        pid.size() == 1 && std::find(processes.begin(), processes.end(), static_cast<int32_t>(pid[0])) != processes.end();
    if (ours && onThisMachine(display, client)) owned.emplace_back(client, pid[0]);
  }
  for (int32_t process : processes) {
    Window found = None;
    int count = 0;
    for (const auto& [client, pid] : owned)
      if (pid == static_cast<unsigned long>(process)) {
        found = client;
        ++count;
      }
    if (count > 0) return count == 1 ? static_cast<uint32_t>(found) : 0;
  }
  return 0;
}

void x11MoveWindowFrame(const char* displayName, uint32_t window, int32_t x, int32_t y) {
  connection c(displayName);
  Display* display = c.get();
  if (!display || !windowExists(display, window)) return;
  // With a window manager the client asks and the manager places its frame
  // there (north-west gravity); without one the window is the frame.
  XMoveWindow(display, window, x, y);
  XSync(display, False);
}

void x11ActivateWindow(const char* displayName, uint32_t window) {
  connection c(displayName);
  Display* display = c.get();
  if (!display || !windowExists(display, window)) return;
  Atom active = XInternAtom(display, "_NET_ACTIVE_WINDOW", False);
  if (windowManagerSupports(display, active)) {
    XEvent event;
    std::memset(&event, 0, sizeof event);
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = active;
    event.xclient.format = 32;
    event.xclient.data.l[0] = 2;  // asked for on the user's behalf, like a pager
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, DefaultRootWindow(display), False, SubstructureRedirectMask | SubstructureNotifyMask,
               &event);
  } else {
    XRaiseWindow(display, frameOf(display, window));
    XSetInputFocus(display, window, RevertToParent, CurrentTime);
  }
  XSync(display, False);
}
