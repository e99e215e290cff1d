#pragma once
#include <cstdint>
#include <string>

// A top-level X window (the frame) whose client area is covered by one child
// window (the canvas), on a connection of its own. Every call for one frame
// must come from the same thread.
struct x11Frame;

struct x11FrameLook {
  bool caption = true;      // title bar (the title is shown in it)
  bool border = true;
  bool systemMenu = true;   // window menu and close button
  bool minimizeBox = true;
  bool maximizeBox = false;
};

struct x11FrameRequest {
  std::string display;      // X display name, such as ":0"
  std::string title;        // bytes as the program has them
  int32_t x = 0, y = 0;     // outer top-left corner on the screen
  int32_t width = 0, height = 0;  // client area, which the canvas fills
  x11FrameLook look;
  std::string instanceName;  // WM_CLASS: the program's part
  std::string windowClass;   // WM_CLASS: the class's part
};

// Connects, makes the frame and its canvas and maps them; waits (up to a
// couple of seconds) until the canvas is visible. The caller paints the
// canvas once then: the exposes of the mapping are not reported. Null on
// failure, with the reason in `failure`.
x11Frame* x11FrameCreate(const x11FrameRequest& request, std::string& failure);
uint32_t x11FrameWindow(const x11Frame* frame);
uint32_t x11FrameCanvas(const x11Frame* frame);

enum class x11EventKind : uint8_t {
  wake,          // the wake-up descriptor was signalled
  paint,         // the canvas needs its whole picture again
  keyDown,       // a key went down (scanCode, extended)
  sysKeyDown,    // a key went down with Alt held (scanCode, extended)
  character,     // the character a key typed (character)
  buttonDown,    // the left button went down in the canvas (x, y)
  focusIn,       // the canvas got the keyboard focus
  focusOut,      // the canvas lost it
  closeRequest,  // the window manager asks the frame to close
  destroyed,     // the frame is gone
  connectionLost,
};

struct x11Event {
  x11EventKind kind = x11EventKind::wake;
  uint32_t window = 0;  // frame or canvas
  uint8_t scanCode = 0;
  bool extended = false;
  uint16_t character = 0;
  int32_t x = 0, y = 0;
};

// Waits for the next event of the frame or its canvas, or for `wakeFd`
// (-1: none) to become readable (which it leaves to the caller to drain).
x11Event x11FrameNextEvent(x11Frame* frame, int wakeFd);

// Copies width x height pixels (0x00RRGGBB, row after row, the canvas's
// size) to the canvas; they must stay unchanged during the call.
void x11FramePaint(x11Frame* frame, const uint32_t* pixels);
// Returns once the server has carried out everything sent before.
void x11FrameSync(x11Frame* frame);
void x11FrameFocusCanvas(x11Frame* frame);
// Destroys the frame and the canvas; `destroyed` follows.
void x11FrameDestroyWindows(x11Frame* frame);
// Closes the connection and frees the frame.
void x11FrameRelease(x11Frame* frame);

// The display the user's programs go to ($DISPLAY), "" when none is set.
std::string x11DefaultDisplay();
