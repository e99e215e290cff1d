#include "runtime/consolewindow.h"

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "platform/terminaloutput.h"
#include "platform/terminaltitle.h"
#include "platform/x11terminalwindow.h"
#include "runtime/state.h"

namespace {

// How long the terminal gets to show a new title, looked at every step.
constexpr auto titleWait = std::chrono::milliseconds(1000);
constexpr auto titleStep = std::chrono::milliseconds(20);

uint32_t windowFromEnvironment() {
  const char* id = std::getenv("WINDOWID");
  if (id == nullptr || *id == 0) return 0;
  char* end = nullptr;
  unsigned long value = std::strtoul(id, &end, 0);
  if (*end != 0 || value == 0 || value > 0xFFFFFFFFul) return 0;
  return x11TopLevelWindow(nullptr, static_cast<uint32_t>(value));
}

// Gives the terminal a title no other window has and looks for the window
// that shows it; the old title comes back from the terminal's title stack.
uint32_t windowFromTitle() {
  if (!terminalOutputReady()) return 0;
  static unsigned serial = 0;
  auto now = std::chrono::steady_clock::now().time_since_epoch();
  std::string title = "hilbert3d console " +
                      std::to_string(std::chrono::duration_cast<std::chrono::microseconds>(now).count()) + "-" +
                      std::to_string(++serial);
  terminalPushTitle();
  terminalSetTitle(title.c_str());
  uint32_t found = 0;
  for (auto waited = std::chrono::milliseconds(0); found == 0 && waited <= titleWait; waited += titleStep) {
    std::this_thread::sleep_for(titleStep);
    found = x11FindWindowByTitle(nullptr, title.c_str());
  }
  terminalPopTitle();
  return found;
}

}  // namespace

uint32_t consoleWindow() {
  if (runtime.consoleWindowHandle != 0) return runtime.consoleWindowHandle;
  const char* display = std::getenv("DISPLAY");
  if (display == nullptr || *display == 0 || !x11DisplayAvailable(nullptr)) return 0;
  uint32_t window = windowFromEnvironment();
  if (window == 0) window = windowFromTitle();
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
