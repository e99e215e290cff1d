#pragma once
#include <X11/Xlib.h>

// Opens a connection that never ends the process: protocol errors are
// ignored (each operation checks what it needs), and a lost server only marks
// the connection dead (see x11ConnectionLost). Calls XInitThreads first.
Display* x11OpenDisplay(const char* name);
// True once the server of this connection went away.
bool x11ConnectionLost(Display* display);
// True when the server reported a protocol error for a request numbered
// `serial` or later (take NextRequest(display) before the requests, XSync
// after them).
bool x11ErrorSince(Display* display, unsigned long serial);
// Closes a connection opened by x11OpenDisplay, also one whose server is gone.
void x11CloseDisplay(Display* display);
