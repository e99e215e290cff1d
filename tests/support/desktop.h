#pragma once
// A private X desktop for tests: an Xvfb of its own with a real window
// manager, and real xterms on it, looked at and typed into from outside,
// as a user does. x11Probe on display() does the rest (closing a window as
// its close button does, reading pixels).
#include <sys/types.h>

#include <fstream>

#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/xvfb.h"

class testDesktop {
 public:
  // windowManager: "openbox", "xfwm4", or "" for a bare server.
  explicit testDesktop(const std::string& windowManager);
  ~testDesktop();
  testDesktop(const testDesktop&) = delete;
  testDesktop& operator=(const testDesktop&) = delete;

  // False when the server or the window manager did not come up.
  bool ready() const { return connection_ != nullptr; }
  const std::string& display() const { return server_.name(); }

  // Starts an xterm titled `title` with the extra `options`, running
  // `command` through sh -c; ended with the desktop when still running.
  pid_t startXterm(const std::string& title, const std::string& command,
                   const std::vector<std::string>& options = {});
  // True once the xterm has ended (its exit is collected).
  bool xtermEnded(pid_t xterm, int timeoutMs);

  // The top-level client window whose WM_NAME is `title`, waiting up to
  // timeoutMs for it to be on the screen; 0 when it is not.
  uint32_t findWindow(const std::string& title, int timeoutMs);
  // The top-level client window that holds the keyboard focus, 0 for none.
  uint32_t focusedWindow();
  // Waits up to timeoutMs for `window` to hold the focus.
  bool waitForFocus(uint32_t window, int timeoutMs);
  // Asks the window manager to activate `window`, as a task bar does.
  void activate(uint32_t window);
  // Replaces a 32-bit CARDINAL property, such as _NET_WM_PID, or a STRING
  // one, such as WM_CLIENT_MACHINE.
  void setCardinal(uint32_t window, const std::string& property, long value);
  void setString(uint32_t window, const std::string& property, const std::string& value);
  // Presses and releases the key named `keysym` ("Return", "Escape", "a")
  // through the server, so it goes wherever the focus is.
  bool typeKey(const std::string& keysym);

 private:
  xvfbServer server_;
  pid_t manager_ = -1;
  std::vector<pid_t> xterms_;
  struct _XDisplay* connection_ = nullptr;
};

// A process that has ended, whether or not anybody has collected it yet. A
// stopped one is still there.
inline bool processGone(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string text;
  if (!std::getline(stat, text)) return true;
  size_t close = text.rfind(')');
  return close == std::string::npos || close + 2 >= text.size() || text[close + 2] == 'Z' || text[close + 2] == 'X';
}
