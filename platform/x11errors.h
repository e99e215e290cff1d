#pragma once
#include <X11/Xlib.h>

#include <string>

// Opens a connection that never ends the process: protocol errors are
// ignored (each operation checks what it needs), and a lost server only marks
// the connection dead (see x11ConnectionLost). Calls XInitThreads first.
// A local server that refuses this process is not handed to Xlib, which
// would print the refusal on standard error: the result is null and the
// server's reason goes to `refusal` (when given).
Display* x11OpenDisplay(const char* name, std::string* refusal = nullptr);
// True once the server of this connection went away.
bool x11ConnectionLost(Display* display);
// True when the server reported a protocol error for a request numbered
// `serial` or later (take NextRequest(display) before the requests, XSync
// after them).
bool x11ErrorSince(Display* display, unsigned long serial);
// Closes a connection opened by x11OpenDisplay, also one whose server is gone.
void x11CloseDisplay(Display* display);
