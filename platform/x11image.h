#pragma once
#include <X11/Xlib.h>

#include <cstdint>

// Puts a picture held in the program's memory (32-bit pixels 0x00RRGGBB,
// row after row) onto a window. Through a MIT-SHM segment when the server
// offers the extension and the segment can be attached, with XPutImage
// otherwise.
struct x11Image;

x11Image* x11ImageCreate(Display* display, Window window, int32_t width, int32_t height);
// Sends the whole picture. `pixels` must not change during the call; after
// it the picture no longer needs them. The server has drawn it once the
// caller has synchronised with it (XSync).
void x11ImagePut(x11Image* image, const uint32_t* pixels);
void x11ImageRelease(x11Image* image);
