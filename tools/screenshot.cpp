// screenshot DISPLAY "WINDOW NAME" OUT.png
// Writes what the X server shows of the named window as a PNG file.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "tests/support/pngfile.h"
#include "tests/support/x11probe.h"

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: screenshot DISPLAY \"WINDOW NAME\" OUT.png\n");
    return 2;
  }
  x11Probe probe(argv[1]);
  if (!probe.connected()) {
    std::fprintf(stderr, "screenshot: cannot open display %s\n", argv[1]);
    return 1;
  }
  const uint32_t window = probe.findWindow(argv[2], 5000);
  std::vector<uint32_t> pixels;
  int32_t width = 0, height = 0;
  if (!window || !probe.readPixels(window, pixels, width, height)) {
    std::fprintf(stderr, "screenshot: no window named \"%s\"\n", argv[2]);
    return 1;
  }
  if (!pngfile::writeFile(argv[3], pngfile::encode(pixels, width, height, false))) {
    std::fprintf(stderr, "screenshot: cannot write %s\n", argv[3]);
    return 1;
  }
  return 0;
}
