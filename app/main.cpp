#include <cstdio>

#include "app/program.h"
#include "graphics/window.h"
#include "runtime/consolesetup.h"
#include "runtime/startup.h"

int main(int argc, char** argv) {
  const int code = runtimeStartup(argc, argv, programMain, programCleanupTable, programCleanupCount);
  // Said only now, once the terminal is back to normal.
  if (const char* console = consoleFailure(); *console) std::fprintf(stderr, "hilbert3d: %s\n", console);
  const char* why = graphicWindowFailure();
  if (why && *why) std::fprintf(stderr, "hilbert3d: no window could be opened: %s\n", why);
  if (!*programFailure()) return code;
  std::fprintf(stderr, "hilbert3d: %s\n", programFailure());
  return 1;
}
