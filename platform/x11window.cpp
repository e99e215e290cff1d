#include "platform/x11window.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <new>
#include <vector>

#include "platform/x11errors.h"
#include "platform/x11image.h"
#include "platform/x11windowkeys.h"

struct x11Frame {
  Display* display = nullptr;
  Window frame = 0, canvas = 0;
  Atom wmProtocols = 0, wmDeleteWindow = 0;
  x11Image* image = nullptr;
  int32_t width = 0, height = 0;
  bool canvasFocused = false;
  bool destroyed = false;
  std::deque<x11Event> pending;
};

namespace {

// _MOTIF_WM_HINTS, the window managers' common way to be told which
// decorations and functions a window wants.
constexpr long MWM_HINTS_FUNCTIONS = 1, MWM_HINTS_DECORATIONS = 2;
constexpr long MWM_FUNC_MOVE = 4, MWM_FUNC_MINIMIZE = 8, MWM_FUNC_MAXIMIZE = 16, MWM_FUNC_CLOSE = 32;
constexpr long MWM_DECOR_BORDER = 2, MWM_DECOR_TITLE = 8, MWM_DECOR_MENU = 16, MWM_DECOR_MINIMIZE = 32,
               MWM_DECOR_MAXIMIZE = 64;

// The title's bytes are 8-bit text (Latin-1); _NET_WM_NAME wants UTF-8.
std::string latin1ToUtf8(const std::string& text) {
  std::string out;
  for (unsigned char c : text) {
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

void setProperties(x11Frame& f, const x11FrameRequest& request) {
  Display* d = f.display;
  const auto* title = reinterpret_cast<const unsigned char*>(request.title.data());
  const int titleLength = static_cast<int>(request.title.size());
  XChangeProperty(d, f.frame, XA_WM_NAME, XA_STRING, 8, PropModeReplace, title, titleLength);
  XChangeProperty(d, f.frame, XA_WM_ICON_NAME, XA_STRING, 8, PropModeReplace, title, titleLength);
  const std::string utf8 = latin1ToUtf8(request.title);
  const Atom utf8String = XInternAtom(d, "UTF8_STRING", False);
  for (const char* name : {"_NET_WM_NAME", "_NET_WM_ICON_NAME"})
    XChangeProperty(d, f.frame, XInternAtom(d, name, False), utf8String, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(utf8.data()), static_cast<int>(utf8.size()));

  std::string instanceName = request.instanceName, className = request.windowClass;
  XClassHint classHint;
  classHint.res_name = instanceName.data();
  classHint.res_class = className.data();
  XSetClassHint(d, f.frame, &classHint);

  // Fixed size, placed where asked with the outer corner at (x, y).
  XSizeHints* size = XAllocSizeHints();
  if (size) {
    size->flags = USPosition | PPosition | USSize | PSize | PMinSize | PMaxSize | PWinGravity;
    size->x = request.x;
    size->y = request.y;
    size->width = size->min_width = size->max_width = request.width;
    size->height = size->min_height = size->max_height = request.height;
    size->win_gravity = NorthWestGravity;
    XSetWMNormalHints(d, f.frame, size);
    XFree(size);
  }
  XWMHints* hints = XAllocWMHints();
  if (hints) {
    hints->flags = InputHint | StateHint;
    hints->input = True;
    hints->initial_state = NormalState;
    XSetWMHints(d, f.frame, hints);
    XFree(hints);
  }
  XSetWMProtocols(d, f.frame, &f.wmDeleteWindow, 1);

  const x11FrameLook& look = request.look;
  long motif[5] = {MWM_HINTS_FUNCTIONS | MWM_HINTS_DECORATIONS, MWM_FUNC_MOVE, 0, 0, 0};
  if (look.systemMenu) motif[1] |= MWM_FUNC_CLOSE;
  if (look.minimizeBox) motif[1] |= MWM_FUNC_MINIMIZE;
  if (look.maximizeBox) motif[1] |= MWM_FUNC_MAXIMIZE;
  if (look.border) motif[2] |= MWM_DECOR_BORDER;
  if (look.caption) {
    motif[2] |= MWM_DECOR_TITLE;
    if (look.systemMenu) motif[2] |= MWM_DECOR_MENU;
    if (look.minimizeBox) motif[2] |= MWM_DECOR_MINIMIZE;
    if (look.maximizeBox) motif[2] |= MWM_DECOR_MAXIMIZE;
  }
  const Atom motifHints = XInternAtom(d, "_MOTIF_WM_HINTS", False);
  XChangeProperty(d, f.frame, motifHints, motifHints, 32, PropModeReplace, reinterpret_cast<unsigned char*>(motif), 5);

  // With the pid, the machine lets a window manager end a client that hangs.
  const long pid = static_cast<long>(getpid());
  XChangeProperty(d, f.frame, XInternAtom(d, "_NET_WM_PID", False), XA_CARDINAL, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(&pid), 1);
  char host[256] = {};
  if (gethostname(host, sizeof host - 1) == 0 && host[0] != 0)
    XChangeProperty(d, f.frame, XA_WM_CLIENT_MACHINE, XA_STRING, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(host), static_cast<int>(std::strlen(host)));
  // User time 0: the frame is not given the focus when it appears, so that
  // keys keep going to the terminal the user typed the command in.
  const long neverUsed = 0;
  XChangeProperty(d, f.frame, XInternAtom(d, "_NET_WM_USER_TIME", False), XA_CARDINAL, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(&neverUsed), 1);
}

bool waitReadable(Display* d, int wakeFd, int timeoutMs, bool& woken) {
  pollfd fds[2] = {{ConnectionNumber(d), POLLIN, 0}, {wakeFd, POLLIN, 0}};
  const nfds_t count = wakeFd >= 0 ? 2 : 1;
  int ready;
  while ((ready = poll(fds, count, timeoutMs)) < 0 && errno == EINTR) {
  }
  woken = count == 2 && (fds[1].revents & POLLIN);
  return ready > 0;
}

bool isFocusDetail(int detail) {
  return detail == NotifyAncestor || detail == NotifyInferior || detail == NotifyNonlinear;
}

void translate(x11Frame& f, XEvent& event) {
  x11Event out;
  switch (event.type) {
    case Expose:
      if (event.xexpose.window == f.canvas && event.xexpose.count == 0) {
        out.kind = x11EventKind::paint;
        out.window = static_cast<uint32_t>(f.canvas);
        f.pending.push_back(out);
      }
      break;
    case KeyPress: {
      // Keys reach the canvas only while it holds the focus; the ones for
      // the frame are the window manager's business.
      if (event.xkey.window != f.canvas || !f.canvasFocused) break;
      char text[8];
      KeySym keysym = NoSymbol;
      const int length = XLookupString(&event.xkey, text, sizeof text, &keysym, nullptr);
      const pcScanCode scan = x11ScanCode(event.xkey.keycode, keysym);
      out.window = static_cast<uint32_t>(f.canvas);
      out.scanCode = scan.code;
      out.extended = scan.extended;
      const bool alt = event.xkey.state & Mod1Mask;
      out.kind = alt ? x11EventKind::sysKeyDown : x11EventKind::keyDown;
      f.pending.push_back(out);
      // With Alt held a key types no character; neither do the cursor keys
      // (X gives Delete the character 127).
      const bool typesNothing = alt || (scan.extended && (keysym == XK_Delete || keysym == XK_KP_Delete));
      if (length == 1 && !typesNothing) {
        x11Event typed;
        typed.kind = x11EventKind::character;
        typed.window = out.window;
        typed.character = static_cast<unsigned char>(text[0]);
        f.pending.push_back(typed);
      }
      break;
    }
    case ButtonPress:
      if (event.xbutton.window == f.canvas && event.xbutton.button == Button1) {
        out.kind = x11EventKind::buttonDown;
        out.window = static_cast<uint32_t>(f.canvas);
        out.x = event.xbutton.x;
        out.y = event.xbutton.y;
        f.pending.push_back(out);
      }
      break;
    case FocusIn:
    case FocusOut:
      if (event.xfocus.window == f.canvas && isFocusDetail(event.xfocus.detail)) {
        f.canvasFocused = event.type == FocusIn;
        out.kind = f.canvasFocused ? x11EventKind::focusIn : x11EventKind::focusOut;
        out.window = static_cast<uint32_t>(f.canvas);
        f.pending.push_back(out);
      }
      break;
    case ClientMessage:
      if (event.xclient.window == f.frame && event.xclient.message_type == f.wmProtocols &&
          event.xclient.format == 32 && static_cast<Atom>(event.xclient.data.l[0]) == f.wmDeleteWindow) {
        out.kind = x11EventKind::closeRequest;
        out.window = static_cast<uint32_t>(f.frame);
        f.pending.push_back(out);
      }
      break;
    case DestroyNotify:
      if (event.xdestroywindow.window == f.frame) {
        f.destroyed = true;
        out.kind = x11EventKind::destroyed;
        out.window = static_cast<uint32_t>(f.frame);
        f.pending.push_back(out);
      }
      break;
    default:
      break;
  }
}

// Runs until the canvas has been exposed once (it is on the screen), or the
// time is up; the exposes of the mapping are dropped, the caller paints.
void awaitFirstExpose(x11Frame& f) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
  for (;;) {
    while (!x11ConnectionLost(f.display) && XPending(f.display) > 0) {
      XEvent event;
      XNextEvent(f.display, &event);
      if (event.type == Expose && event.xexpose.window == f.canvas) {
        if (event.xexpose.count == 0) return;
        continue;
      }
      translate(f, event);
    }
    if (x11ConnectionLost(f.display)) return;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return;
    bool woken;
    waitReadable(f.display, -1, static_cast<int>(left.count()), woken);
  }
}

}  // namespace

x11Frame* x11FrameCreate(const x11FrameRequest& request, std::string& failure) {
  failure.clear();
  if (request.display.empty()) {
    failure = "no display (DISPLAY is not set)";
    return nullptr;
  }
  if (request.width <= 0 || request.height <= 0) {
    failure = "window size " + std::to_string(request.width) + "x" + std::to_string(request.height) + " is empty";
    return nullptr;
  }
  std::string refusal;
  Display* d = x11OpenDisplay(request.display.c_str(), &refusal);
  if (!d) {
    failure = refusal.empty() ? "cannot open display " + request.display
                              : "display " + request.display + " refused the connection: " + refusal;
    return nullptr;
  }
  auto* f = new (std::nothrow) x11Frame;
  if (!f) {
    x11CloseDisplay(d);
    failure = "out of memory";
    return nullptr;
  }
  f->display = d;
  f->width = request.width;
  f->height = request.height;
  f->wmProtocols = XInternAtom(d, "WM_PROTOCOLS", False);
  f->wmDeleteWindow = XInternAtom(d, "WM_DELETE_WINDOW", False);
  const Window root = DefaultRootWindow(d);

  XSetWindowAttributes attributes{};
  attributes.background_pixmap = None;  // the canvas paints everything
  attributes.border_pixel = 0;
  attributes.event_mask = StructureNotifyMask | FocusChangeMask;
  const unsigned long serial = NextRequest(d);
  f->frame = XCreateWindow(d, root, request.x, request.y, static_cast<unsigned>(request.width),
                           static_cast<unsigned>(request.height), 0, CopyFromParent, InputOutput, CopyFromParent,
                           CWBackPixmap | CWBorderPixel | CWEventMask, &attributes);
  setProperties(*f, request);
  attributes.event_mask = ExposureMask | KeyPressMask | ButtonPressMask | FocusChangeMask;
  f->canvas = XCreateWindow(d, f->frame, 0, 0, static_cast<unsigned>(request.width),
                            static_cast<unsigned>(request.height), 0, CopyFromParent, InputOutput, CopyFromParent,
                            CWBackPixmap | CWBorderPixel | CWEventMask, &attributes);
  XMapWindow(d, f->canvas);
  XSync(d, False);
  if (x11ErrorSince(d, serial) || x11ConnectionLost(d)) {
    failure = "cannot create a window on display " + request.display;
    x11FrameRelease(f);
    return nullptr;
  }
  f->image = x11ImageCreate(d, f->canvas, request.width, request.height);
  if (!f->image) {
    failure = "cannot make an image for the window on display " + request.display;
    x11FrameRelease(f);
    return nullptr;
  }
  XMapRaised(d, f->frame);
  awaitFirstExpose(*f);
  if (x11ConnectionLost(d)) {
    failure = "lost display " + request.display;
    x11FrameRelease(f);
    return nullptr;
  }
  return f;
}

uint32_t x11FrameWindow(const x11Frame* frame) { return static_cast<uint32_t>(frame->frame); }
uint32_t x11FrameCanvas(const x11Frame* frame) { return static_cast<uint32_t>(frame->canvas); }

x11Event x11FrameNextEvent(x11Frame* f, int wakeFd) {
  for (;;) {
    if (!f->pending.empty()) {
      const x11Event event = f->pending.front();
      f->pending.pop_front();
      return event;
    }
    if (x11ConnectionLost(f->display)) return x11Event{x11EventKind::connectionLost};
    while (f->pending.empty() && XPending(f->display) > 0) {
      XEvent event;
      XNextEvent(f->display, &event);
      translate(*f, event);
    }
    if (!f->pending.empty() || x11ConnectionLost(f->display)) continue;
    // Events that came in before the wake-up are served first; the wake-up
    // stays readable until the caller drains it.
    bool woken = false;
    if (wakeFd >= 0) {
      pollfd wake{wakeFd, POLLIN, 0};
      if (poll(&wake, 1, 0) > 0 && (wake.revents & POLLIN)) return x11Event{x11EventKind::wake};
    }
    waitReadable(f->display, wakeFd, -1, woken);
  }
}

void x11FramePaint(x11Frame* frame, const uint32_t* pixels) {
  if (frame->destroyed || x11ConnectionLost(frame->display)) return;
  x11ImagePut(frame->image, pixels);
}

void x11FrameSync(x11Frame* frame) {
  if (!x11ConnectionLost(frame->display)) XSync(frame->display, False);
}

void x11FrameFocusCanvas(x11Frame* frame) {
  if (frame->destroyed || x11ConnectionLost(frame->display)) return;
  XSetInputFocus(frame->display, frame->canvas, RevertToParent, CurrentTime);
}

void x11FrameDestroyWindows(x11Frame* frame) {
  if (frame->destroyed || x11ConnectionLost(frame->display)) return;
  XDestroyWindow(frame->display, frame->frame);
  XFlush(frame->display);
}

void x11FrameRelease(x11Frame* frame) {
  if (!frame) return;
  x11ImageRelease(frame->image);
  if (!frame->destroyed && frame->frame && !x11ConnectionLost(frame->display)) XDestroyWindow(frame->display, frame->frame);
  x11CloseDisplay(frame->display);
  delete frame;
}

std::string x11DefaultDisplay() {
  const char* name = std::getenv("DISPLAY");
  return name ? name : "";
}
