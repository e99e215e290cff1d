#include "runtime/consolewindow.h"

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/processtree.h"
#include "platform/terminaloutput.h"
#include "platform/terminaltitle.h"
#include "platform/x11terminalwindow.h"
#include "runtime/state.h"

namespace {

// What one search for the window may cost, X round trips and the wait for
// the title included: the panel must not wait for it.
constexpr auto SEARCH_BUDGET = std::chrono::milliseconds(200);

bool isSet(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != 0;
}

uint32_t windowFromEnvironment() {
  const char* id = std::getenv("WINDOWID");
  if (id == nullptr || *id == 0) return 0;
  char* end = nullptr;
  unsigned long value = std::strtoul(id, &end, 0);
  if (*end != 0 || value == 0 || value > 0xFFFFFFFFul) return 0;
  return x11TopLevelWindow(nullptr, static_cast<uint32_t>(value));
}

// A title set from here shows on no X window inside a multiplexer (it
// keeps titles to itself) or in a terminal that is a Wayland client.
bool titleCanShow() {
  if (!terminalOutputReady() || isSet("TMUX") || isSet("STY") || isSet("WAYLAND_DISPLAY")) return false;
  const char* session = std::getenv("XDG_SESSION_TYPE");
  return session == nullptr || std::strcmp(session, "wayland") != 0;
}

// Gives the terminal a title no other window has and waits for the window
// that shows it; the old title comes back from the terminal's title stack.
uint32_t windowFromTitle(x11Deadline deadline) {
  if (!titleCanShow()) return 0;
  static unsigned serial = 0;
  auto now = std::chrono::steady_clock::now().time_since_epoch();
  std::string title = "hilbert3d console " +
                      std::to_string(std::chrono::duration_cast<std::chrono::microseconds>(now).count()) + "-" +
                      std::to_string(++serial);
  terminalPushTitle();
  const uint32_t found =
      x11FindWindowRetitled(nullptr, title.c_str(), [&] { terminalSetTitle(title.c_str()); }, deadline);
  terminalPopTitle();
  return found;
}

}  // namespace

uint32_t consoleWindow() {
  if (runtime.consoleWindowHandle != 0) return runtime.consoleWindowHandle;
  const x11Deadline deadline = std::chrono::steady_clock::now() + SEARCH_BUDGET;
  if (!isSet("DISPLAY") || !x11DisplayAvailable(nullptr)) return 0;
  uint32_t window = windowFromEnvironment();
  // Only the terminal emulator's own window: an ancestor that merely owns a
  // window (an IDE, a launcher) is not the terminal.
  if (window == 0) window = x11FindWindowOfProcesses(nullptr, processesHoldingTerminal(processAncestors()), deadline);
  if (window == 0) window = windowFromTitle(deadline);
  runtime.consoleWindowHandle = window;
  return window;
}

void consoleMoveWindow(int32_t x, int32_t y) {
  uint32_t window = consoleWindow();
  if (window != 0) x11MoveWindowFrame(nullptr, window, x, y);
}

void consoleToFront() {
  uint32_t window = consoleWindow();
  if (window != 0) x11ActivateWindow(nullptr, window);
}
