#include "platform/x11image.h"

#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <bit>
#include <cstdlib>
#include <cstring>
#include <new>

#include "platform/x11errors.h"

struct x11Image {
  Display* display = nullptr;
  Window window = 0;
  GC gc = nullptr;
  int32_t width = 0, height = 0;
  XImage* image = nullptr;  // shared segment, or the pixels of a converted copy
  XShmSegmentInfo segment{};
  bool shared = false;
  // The program's pixels can go to the server as they are (32-bit pixels,
  // 8-bit red, green and blue at the usual places).
  bool direct = false;
  unsigned long redMask = 0, greenMask = 0, blueMask = 0;
};

namespace {

bool attachSegment(x11Image& image, Visual* visual, int depth) {
  if (!XShmQueryExtension(image.display)) return false;
  XImage* shm = XShmCreateImage(image.display, visual, depth, ZPixmap, nullptr, &image.segment, image.width,
                                image.height);
  if (!shm) return false;
  if (shm->bits_per_pixel != 32) {
    XDestroyImage(shm);
    return false;
  }
  const size_t bytes = static_cast<size_t>(shm->bytes_per_line) * image.height;
  image.segment.shmid = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
  if (image.segment.shmid < 0) {
    XDestroyImage(shm);
    return false;
  }
  void* memory = shmat(image.segment.shmid, nullptr, 0);
  if (memory == reinterpret_cast<void*>(-1)) {
    shmctl(image.segment.shmid, IPC_RMID, nullptr);
    XDestroyImage(shm);
    return false;
  }
  image.segment.shmaddr = shm->data = static_cast<char*>(memory);
  image.segment.readOnly = True;
  const unsigned long serial = NextRequest(image.display);
  const bool attached = XShmAttach(image.display, &image.segment) && (XSync(image.display, False), true) &&
                        !x11ErrorSince(image.display, serial) && !x11ConnectionLost(image.display);
  // Marked for removal now: it goes once both sides have let go of it,
  // also when the process ends without cleaning up.
  shmctl(image.segment.shmid, IPC_RMID, nullptr);
  if (!attached) {
    shmdt(memory);
    shm->data = nullptr;
    XDestroyImage(shm);
    return false;
  }
  image.image = shm;
  image.shared = true;
  return true;
}

bool makeCopyImage(x11Image& image, Visual* visual, int depth) {
  XImage* copy = XCreateImage(image.display, visual, depth, ZPixmap, 0, nullptr, image.width, image.height, 32, 0);
  if (!copy) return false;
  if (copy->bits_per_pixel != 32) image.direct = false;
  image.image = copy;
  if (image.direct) return true;  // sends the program's pixels themselves
  copy->data = static_cast<char*>(std::calloc(static_cast<size_t>(copy->bytes_per_line) * image.height, 1));
  if (!copy->data) {
    image.image = nullptr;
    XDestroyImage(copy);
    return false;
  }
  return true;
}

int shiftOf(unsigned long mask) { return mask ? std::countr_zero(mask) : 0; }

unsigned long scaleChannel(uint32_t value8, unsigned long mask) {
  if (!mask) return 0;
  const int bits = std::popcount(mask);
  const unsigned long value = bits >= 8 ? value8 << (bits - 8) : value8 >> (8 - bits);
  return (value << shiftOf(mask)) & mask;
}

}  // namespace

x11Image* x11ImageCreate(Display* display, Window window, int32_t width, int32_t height) {
  if (!display || width <= 0 || height <= 0) return nullptr;
  XWindowAttributes attributes;
  if (!XGetWindowAttributes(display, window, &attributes)) return nullptr;
  auto* image = new (std::nothrow) x11Image;
  if (!image) return nullptr;
  image->display = display;
  image->window = window;
  image->width = width;
  image->height = height;
  Visual* visual = attributes.visual;
  image->redMask = visual->red_mask;
  image->greenMask = visual->green_mask;
  image->blueMask = visual->blue_mask;
  image->direct = (attributes.depth == 24 || attributes.depth == 32) && visual->red_mask == 0xFF0000 &&
                  visual->green_mask == 0xFF00 && visual->blue_mask == 0xFF;
  // A shared segment is read by the server in its own byte order.
  if (image->direct && ImageByteOrder(display) == (std::endian::native == std::endian::little ? LSBFirst : MSBFirst))
    attachSegment(*image, visual, attributes.depth);
  if (!image->shared && !makeCopyImage(*image, visual, attributes.depth)) {
    delete image;
    return nullptr;
  }
  image->gc = XCreateGC(display, window, 0, nullptr);
  return image;
}

void x11ImagePut(x11Image* image, const uint32_t* pixels) {
  if (!image || !pixels) return;
  XImage* target = image->image;
  const int32_t w = image->width, h = image->height;
  if (image->shared) {
    for (int32_t y = 0; y < h; ++y)
      std::memcpy(target->data + static_cast<size_t>(y) * target->bytes_per_line, pixels + static_cast<size_t>(y) * w,
                  static_cast<size_t>(w) * 4);
    XShmPutImage(image->display, image->window, image->gc, target, 0, 0, 0, 0, w, h, False);
    return;
  }
  if (image->direct) {
    // Sent straight from the program's pixels: Xlib copies them out before
    // it returns and swaps the bytes for a server of the other byte order.
    target->data = reinterpret_cast<char*>(const_cast<uint32_t*>(pixels));
    target->bytes_per_line = w * 4;
    target->byte_order = std::endian::native == std::endian::little ? LSBFirst : MSBFirst;
    XPutImage(image->display, image->window, image->gc, target, 0, 0, 0, 0, w, h);
    target->data = nullptr;
    return;
  }
  for (int32_t y = 0; y < h; ++y) {
    const uint32_t* row = pixels + static_cast<size_t>(y) * w;
    for (int32_t x = 0; x < w; ++x) {
      const uint32_t p = row[x];
      XPutPixel(target, x, y,
                scaleChannel((p >> 16) & 0xFF, image->redMask) | scaleChannel((p >> 8) & 0xFF, image->greenMask) |
                    scaleChannel(p & 0xFF, image->blueMask));
    }
  }
  XPutImage(image->display, image->window, image->gc, target, 0, 0, 0, 0, w, h);
}

void x11ImageRelease(x11Image* image) {
  if (!image) return;
  const bool alive = !x11ConnectionLost(image->display);
  if (image->shared) {
    if (alive) {
      XShmDetach(image->display, &image->segment);
      XSync(image->display, False);
    }
    shmdt(image->segment.shmaddr);
    image->image->data = nullptr;
  }
  XDestroyImage(image->image);  // frees a copy's pixels
  if (image->gc) XFreeGC(image->display, image->gc);
  delete image;
}
