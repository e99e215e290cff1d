// ThreadSanitizer settings for the graphics tests (ignored by other builds).
//
// When the X server dies in the middle of a call, libX11 runs the I/O error
// exit handler and, as the handler returns, releases the display lock one
// time more than it took it. The connection belongs to its window thread
// alone, so nothing else waits on that lock; the report is about libX11's
// own bookkeeping, in a connection that is never used again.
extern "C" const char* __tsan_default_suppressions() { return "mutex:libX11.so\n"; }
