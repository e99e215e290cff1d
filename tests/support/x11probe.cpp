#include "tests/support/x11probe.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <bit>

#include "platform/x11errors.h"
#include "tests/support/waitfor.h"

namespace {

uint32_t channel(unsigned long pixel, unsigned long mask) {
  if (!mask) return 0;
  const unsigned long value = (pixel & mask) >> std::countr_zero(mask);
  const int bits = std::popcount(mask);
  return static_cast<uint32_t>(bits >= 8 ? value >> (bits - 8) : value << (8 - bits));
}

bool nameIs(Display* d, Window w, const std::string& name) {
  XTextProperty text;
  if (!XGetWMName(d, w, &text)) return false;
  const bool same = text.value && text.format == 8 && text.nitems == name.size() &&
                    name.compare(0, name.size(), reinterpret_cast<const char*>(text.value), text.nitems) == 0;
  if (text.value) XFree(text.value);
  return same;
}

Window search(Display* d, Window w, const std::string& name, int depth) {
  if (nameIs(d, w, name)) return w;
  if (depth == 0) return 0;
  Window root, parent, *kids = nullptr;
  unsigned count = 0;
  if (!XQueryTree(d, w, &root, &parent, &kids, &count)) return 0;
  Window found = 0;
  for (unsigned i = count; i-- > 0 && !found;) found = search(d, kids[i], name, depth - 1);
  if (kids) XFree(kids);
  return found;
}

}  // namespace

x11Probe::x11Probe(const std::string& display) {
  if (!display.empty()) display_ = x11OpenDisplay(display.c_str());
}

x11Probe::~x11Probe() { x11CloseDisplay(display_); }

uint32_t x11Probe::findWindow(const std::string& name, int timeoutMs) {
  if (!display_) return 0;
  Window found = 0;
  waitFor([&] {
    found = x11ConnectionLost(display_) ? 0 : search(display_, DefaultRootWindow(display_), name, 3);
    return found != 0 || x11ConnectionLost(display_);
  }, timeoutMs);
  return static_cast<uint32_t>(found);
}

bool x11Probe::windowExists(uint32_t window) {
  if (!display_ || x11ConnectionLost(display_)) return false;
  XWindowAttributes attributes;
  return XGetWindowAttributes(display_, window, &attributes) != 0;
}

bool x11Probe::waitGone(uint32_t window, int timeoutMs) {
  return waitFor([&] { return !windowExists(window); }, timeoutMs);
}

std::vector<uint32_t> x11Probe::children(uint32_t window) {
  std::vector<uint32_t> out;
  if (!display_) return out;
  Window root, parent, *kids = nullptr;
  unsigned count = 0;
  if (XQueryTree(display_, window, &root, &parent, &kids, &count)) {
    for (unsigned i = 0; i < count; ++i) out.push_back(static_cast<uint32_t>(kids[i]));
    if (kids) XFree(kids);
  }
  return out;
}

bool x11Probe::windowGeometry(uint32_t window, geometry& out) {
  if (!windowExists(window)) return false;
  XWindowAttributes attributes;
  if (!XGetWindowAttributes(display_, window, &attributes)) return false;
  Window child;
  int x = 0, y = 0;
  if (!XTranslateCoordinates(display_, window, DefaultRootWindow(display_), 0, 0, &x, &y, &child)) return false;
  out = {x, y, attributes.width, attributes.height, attributes.border_width};
  return true;
}

std::string x11Probe::property(uint32_t window, const std::string& name, std::string* type) {
  if (!windowExists(window)) return {};
  Atom actualType;
  int format;
  unsigned long count, after;
  unsigned char* data = nullptr;
  const Atom atom = XInternAtom(display_, name.c_str(), False);
  if (XGetWindowProperty(display_, window, atom, 0, 1 << 16, False, AnyPropertyType, &actualType, &format, &count,
                         &after, &data) != Success)
    return {};
  std::string out;
  if (data) {
    const size_t unit = format == 8 ? 1 : format == 16 ? sizeof(short) : sizeof(long);
    out.assign(reinterpret_cast<const char*>(data), count * unit);
    XFree(data);
  }
  if (type) {
    char* typeName = actualType ? XGetAtomName(display_, actualType) : nullptr;
    *type = typeName ? typeName : "";
    if (typeName) XFree(typeName);
  }
  return out;
}

bool x11Probe::readPixels(uint32_t window, std::vector<uint32_t>& pixels, int32_t& width, int32_t& height) {
  if (!windowExists(window)) return false;
  XWindowAttributes attributes;
  if (!XGetWindowAttributes(display_, window, &attributes)) return false;
  XImage* image = XGetImage(display_, window, 0, 0, static_cast<unsigned>(attributes.width),
                            static_cast<unsigned>(attributes.height), AllPlanes, ZPixmap);
  if (!image) return false;
  width = attributes.width;
  height = attributes.height;
  pixels.resize(static_cast<size_t>(width) * height);
  const Visual* visual = attributes.visual;
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x) {
      const unsigned long p = XGetPixel(image, x, y);
      pixels[static_cast<size_t>(y) * width + x] = channel(p, visual->red_mask) |
                                                   channel(p, visual->green_mask) << 8 |
                                                   channel(p, visual->blue_mask) << 16;
    }
  XDestroyImage(image);
  return true;
}

bool x11Probe::sendDeleteWindow(uint32_t window) {
  if (!windowExists(window)) return false;
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = window;
  event.xclient.message_type = XInternAtom(display_, "WM_PROTOCOLS", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = static_cast<long>(XInternAtom(display_, "WM_DELETE_WINDOW", False));
  event.xclient.data.l[1] = CurrentTime;
  const bool sent = XSendEvent(display_, window, False, NoEventMask, &event) != 0;
  XSync(display_, False);
  return sent;
}

bool x11Probe::sendClick(uint32_t window, int32_t x, int32_t y) {
  if (!windowExists(window)) return false;
  XEvent event{};
  event.xbutton.type = ButtonPress;
  event.xbutton.window = window;
  event.xbutton.root = DefaultRootWindow(display_);
  event.xbutton.x = x;
  event.xbutton.y = y;
  event.xbutton.button = Button1;
  event.xbutton.same_screen = True;
  bool sent = XSendEvent(display_, window, False, ButtonPressMask, &event) != 0;
  event.xbutton.type = ButtonRelease;
  event.xbutton.state = Button1Mask;
  sent = XSendEvent(display_, window, False, ButtonReleaseMask, &event) != 0 && sent;
  XSync(display_, False);
  return sent;
}

bool x11Probe::focus(uint32_t window) {
  if (!windowExists(window)) return false;
  const unsigned long serial = NextRequest(display_);
  XSetInputFocus(display_, window, RevertToParent, CurrentTime);
  XSync(display_, False);
  return !x11ErrorSince(display_, serial);
}

bool x11Probe::sendKey(uint32_t window, const std::string& keysym, unsigned state) {
  if (!windowExists(window)) return false;
  const KeySym symbol = XStringToKeysym(keysym.c_str());
  if (symbol == NoSymbol) return false;
  const KeyCode code = XKeysymToKeycode(display_, symbol);
  if (code == 0) return false;
  XEvent event{};
  event.xkey.type = KeyPress;
  event.xkey.window = window;
  event.xkey.root = DefaultRootWindow(display_);
  event.xkey.keycode = code;
  event.xkey.state = state;
  event.xkey.same_screen = True;
  bool sent = XSendEvent(display_, window, False, KeyPressMask, &event) != 0;
  event.xkey.type = KeyRelease;
  sent = XSendEvent(display_, window, False, KeyReleaseMask, &event) != 0 && sent;
  XSync(display_, False);
  return sent;
}

uint32_t x11Probe::cover(int32_t x, int32_t y, int32_t width, int32_t height, uint32_t colour) {
  if (!display_ || x11ConnectionLost(display_) || width <= 0 || height <= 0) return 0;
  XVisualInfo wanted{};
  wanted.visualid = XVisualIDFromVisual(DefaultVisual(display_, DefaultScreen(display_)));
  int found = 0;
  XVisualInfo* info = XGetVisualInfo(display_, VisualIDMask, &wanted, &found);
  unsigned long pixel = 0;
  if (info && found > 0) {
    auto place = [](uint32_t value8, unsigned long mask) -> unsigned long {
      if (!mask) return 0;
      const int bits = std::popcount(mask);
      const unsigned long v = bits >= 8 ? static_cast<unsigned long>(value8) << (bits - 8) : value8 >> (8 - bits);
      return (v << std::countr_zero(mask)) & mask;
    };
    pixel = place(colour & 0xFF, info->red_mask) | place((colour >> 8) & 0xFF, info->green_mask) |
            place((colour >> 16) & 0xFF, info->blue_mask);
  }
  if (info) XFree(info);
  XSetWindowAttributes attributes{};
  attributes.override_redirect = True;
  attributes.background_pixel = pixel;
  const Window w = XCreateWindow(display_, DefaultRootWindow(display_), x, y, static_cast<unsigned>(width),
                                 static_cast<unsigned>(height), 0, CopyFromParent, InputOutput, CopyFromParent,
                                 CWOverrideRedirect | CWBackPixel, &attributes);
  XMapRaised(display_, w);
  XSync(display_, False);
  return static_cast<uint32_t>(w);
}

void x11Probe::uncover(uint32_t cover) {
  if (!display_ || x11ConnectionLost(display_) || !cover) return;
  XDestroyWindow(display_, cover);
  XSync(display_, False);
}
