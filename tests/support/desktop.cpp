#include "tests/support/desktop.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "platform/x11errors.h"
#include "tests/support/x11probe.h"
#include "platform/x11terminalwindow.h"
#include "tests/support/process.h"
#include "tests/support/waitfor.h"

namespace {

bool hasProperty(Display* display, Window window, Atom property) {
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  const int status = XGetWindowProperty(display, window, property, 0, 1, False, AnyPropertyType, &type, &format,
                                        &count, &after, &data);
  if (data) XFree(data);
  return status == Success && type != None;
}

void sendToRoot(Display* display, Window window, const char* type, long a, long b) {
  XEvent event;
  std::memset(&event, 0, sizeof event);
  event.xclient.type = ClientMessage;
  event.xclient.window = window;
  event.xclient.message_type = XInternAtom(display, type, False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = a;
  event.xclient.data.l[1] = b;
  XSendEvent(display, DefaultRootWindow(display), False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
  XSync(display, False);
}

// Ends a process group: politely, then for sure.
void endGroup(pid_t leader) {
  if (leader <= 0) return;
  kill(-leader, SIGTERM);
  if (!waitFor([&] { return waitpid(leader, nullptr, WNOHANG) == leader; }, 2000)) {
    kill(-leader, SIGKILL);
    waitpid(leader, nullptr, 0);
  }
}

}  // namespace

testDesktop::testDesktop(const std::string& windowManager) {
  if (server_.name().empty()) return;
  Display* display = x11OpenDisplay(server_.name().c_str());
  if (!display) return;
  if (!windowManager.empty()) {
    // xfwm4 keeps its settings on a session bus.
    const commandLine manager = windowManager == "xfwm4"
                                    ? commandLine{"dbus-run-session", "--", "xfwm4", "--compositor=off",
                                                  "--sm-client-disable"}
                                    : commandLine{windowManager};
    manager_ = startChild([&] {
      setpgid(0, 0);
      setenv("DISPLAY", server_.name().c_str(), 1);
      setenv("NO_AT_BRIDGE", "1", 1);
      toDevNull({1, 2});
      return manager.exec();
    });
    setpgid(manager_, manager_);
    const Atom check = XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", False);
    const auto managing = [&] { return hasProperty(display, DefaultRootWindow(display), check); };
    if (manager_ < 0 || !waitFor(managing, 15000)) {
      x11CloseDisplay(display);
      return;
    }
  }
  connection_ = display;
}

testDesktop::~testDesktop() {
  for (pid_t xterm : xterms_) endGroup(xterm);
  endGroup(manager_);
  x11CloseDisplay(connection_);
}

pid_t testDesktop::startXterm(const std::string& title, const std::string& command,
                              const std::vector<std::string>& options) {
  std::vector<std::string> words = {"xterm", "-T", title, "-geometry", "80x25+40+40"};
  words.insert(words.end(), options.begin(), options.end());
  words.insert(words.end(), {"-e", "sh", "-c", command});
  const commandLine xterm(words);
  const pid_t pid = startChild([&] {
    setsid();  // in the test's session xterm takes seconds to come up
    setenv("DISPLAY", server_.name().c_str(), 1);
    toDevNull({2});
    return xterm.exec();
  });
  if (pid > 0) xterms_.push_back(pid);
  return pid;
}

bool testDesktop::xtermEnded(pid_t xterm, int timeoutMs) {
  for (auto it = xterms_.begin(); it != xterms_.end(); ++it) {
    if (*it != xterm) continue;
    if (!waitFor([&] { return waitpid(xterm, nullptr, WNOHANG) == xterm; }, timeoutMs)) return false;
    xterms_.erase(it);
    return true;
  }
  return false;
}

uint32_t testDesktop::findWindow(const std::string& title, int timeoutMs) {
  if (!connection_) return 0;
  // Mapped: its client has set all its properties by then.
  x11Probe probe(display());
  uint32_t found = 0;
  waitFor([&] {
    found = probe.findWindow(title, 0);
    XWindowAttributes attributes;
    return found != 0 && XGetWindowAttributes(connection_, found, &attributes) && attributes.map_state == IsViewable;
  }, timeoutMs);
  return found;
}

uint32_t testDesktop::focusedWindow() {
  if (!connection_) return 0;
  Window focus = None;
  int revert = 0;
  XGetInputFocus(connection_, &focus, &revert);
  return focus == None || focus == PointerRoot ? 0 : x11TopLevelWindow(display().c_str(), static_cast<uint32_t>(focus));
}

bool testDesktop::waitForFocus(uint32_t window, int timeoutMs) {
  return waitFor([&] { return focusedWindow() == window; }, timeoutMs);
}

void testDesktop::activate(uint32_t window) {
  if (connection_) sendToRoot(connection_, window, "_NET_ACTIVE_WINDOW", 2, CurrentTime);
}

void testDesktop::setCardinal(uint32_t window, const std::string& property, long value) {
  if (!connection_) return;
  XChangeProperty(connection_, window, XInternAtom(connection_, property.c_str(), False), XA_CARDINAL, 32,
                  PropModeReplace, reinterpret_cast<const unsigned char*>(&value), 1);
  XSync(connection_, False);
}

void testDesktop::setString(uint32_t window, const std::string& property, const std::string& value) {
  if (!connection_) return;
  XChangeProperty(connection_, window, XInternAtom(connection_, property.c_str(), False), XA_STRING, 8,
                  PropModeReplace, reinterpret_cast<const unsigned char*>(value.data()),
                  static_cast<int>(value.size()));
  XSync(connection_, False);
}

bool testDesktop::typeKey(const std::string& keysym) {
  if (!connection_) return false;
  const KeyCode code = XKeysymToKeycode(connection_, XStringToKeysym(keysym.c_str()));
  if (code == 0) return false;
  const bool sent = XTestFakeKeyEvent(connection_, code, True, CurrentTime) &&
                    XTestFakeKeyEvent(connection_, code, False, CurrentTime);
  XSync(connection_, False);
  return sent;
}
