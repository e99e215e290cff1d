#pragma once
#include <cstdint>
#include <string>
#include <vector>

// Looks at windows from the outside, as a user or a window manager would:
// for tests and tools. Opens a connection of its own.
class x11Probe {
 public:
  explicit x11Probe(const std::string& display);
  ~x11Probe();
  x11Probe(const x11Probe&) = delete;
  x11Probe& operator=(const x11Probe&) = delete;

  bool connected() const { return display_ != nullptr; }

  // A window whose WM_NAME is exactly `name`, searched from the root down,
  // waiting up to timeoutMs for it to appear; 0 when there is none.
  uint32_t findWindow(const std::string& name, int timeoutMs);
  bool windowExists(uint32_t window);
  // Waits up to timeoutMs for the window to be gone.
  bool waitGone(uint32_t window, int timeoutMs);
  // The window's children, bottom first.
  std::vector<uint32_t> children(uint32_t window);

  struct geometry {
    int32_t x = 0, y = 0;  // top-left corner on the screen
    int32_t width = 0, height = 0;
    int32_t border = 0;  // outside the corner above
  };
  bool windowGeometry(uint32_t window, geometry& out);
  // The bytes of a property (8-bit ones as they stand, 32-bit ones as
  // native longs); empty when it is not set.
  std::string property(uint32_t window, const std::string& name, std::string* type = nullptr);

  // What the server shows of the window, 0x00BBGGRR, row after row.
  bool readPixels(uint32_t window, std::vector<uint32_t>& pixels, int32_t& width, int32_t& height);

  // Asks the window to close, the way a window manager's close button does.
  bool sendDeleteWindow(uint32_t window);
  // Clicks the left button at (x, y) of the window.
  bool sendClick(uint32_t window, int32_t x, int32_t y);
  // Gives the window the keyboard focus.
  bool focus(uint32_t window);
  // Presses and releases the key named `keysym` (an X keysym name such as
  // "a", "F1" or "Up") in the window, with the modifier state bits `state`
  // (8 is Alt).
  bool sendKey(uint32_t window, const std::string& keysym, unsigned state = 0);

  // Maps an override-redirect window of one colour (0x00BBGGRR) over the
  // given screen area; `uncover` takes it away again.
  uint32_t cover(int32_t x, int32_t y, int32_t width, int32_t height, uint32_t colour);
  void uncover(uint32_t cover);

 private:
  struct _XDisplay* display_ = nullptr;
};
