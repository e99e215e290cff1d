// screenshot DISPLAY "WINDOW NAME" OUT.png
// Writes what the X server shows of the named window as a PNG file.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "tests/support/x11probe.h"

namespace {

uint32_t crc32(const uint8_t* data, size_t n, uint32_t crc = 0) {
  static uint32_t table[256];
  if (!table[1])
    for (uint32_t i = 0; i < 256; ++i) {
      uint32_t c = i;
      for (int k = 0; k < 8; ++k) c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      table[i] = c;
    }
  crc = ~crc;
  for (size_t i = 0; i < n; ++i) crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
  return ~crc;
}

void putBig32(std::vector<uint8_t>& out, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(v >> shift));
}

void putChunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& body) {
  putBig32(out, static_cast<uint32_t>(body.size()));
  std::vector<uint8_t> typed(type, type + 4);
  typed.insert(typed.end(), body.begin(), body.end());
  out.insert(out.end(), typed.begin(), typed.end());
  putBig32(out, crc32(typed.data(), typed.size()));
}

// A zlib stream of stored (uncompressed) deflate blocks.
std::vector<uint8_t> zlibStored(const std::vector<uint8_t>& raw) {
  std::vector<uint8_t> out = {0x78, 0x01};
  uint32_t a = 1, b = 0;
  for (uint8_t byte : raw) {
    a = (a + byte) % 65521;
    b = (b + a) % 65521;
  }
  size_t at = 0;
  do {
    const size_t n = std::min<size_t>(65535, raw.size() - at);
    out.push_back(at + n == raw.size() ? 1 : 0);
    out.push_back(static_cast<uint8_t>(n));
    out.push_back(static_cast<uint8_t>(n >> 8));
    out.push_back(static_cast<uint8_t>(~n));
    out.push_back(static_cast<uint8_t>(~n >> 8));
    out.insert(out.end(), raw.begin() + static_cast<long>(at), raw.begin() + static_cast<long>(at + n));
    at += n;
  } while (at < raw.size());
  putBig32(out, b << 16 | a);
  return out;
}

std::vector<uint8_t> encodePng(const std::vector<uint32_t>& pixels, int32_t width, int32_t height) {
  std::vector<uint8_t> raw;
  raw.reserve(static_cast<size_t>(height) * (1 + 3 * static_cast<size_t>(width)));
  for (int32_t y = 0; y < height; ++y) {
    raw.push_back(0);  // no filter
    for (int32_t x = 0; x < width; ++x) {
      const uint32_t p = pixels[static_cast<size_t>(y) * width + x];  // 0x00BBGGRR
      raw.push_back(static_cast<uint8_t>(p));
      raw.push_back(static_cast<uint8_t>(p >> 8));
      raw.push_back(static_cast<uint8_t>(p >> 16));
    }
  }
  std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<uint8_t> header;
  putBig32(header, static_cast<uint32_t>(width));
  putBig32(header, static_cast<uint32_t>(height));
  header.insert(header.end(), {8, 2, 0, 0, 0});  // 8-bit RGB
  putChunk(png, "IHDR", header);
  putChunk(png, "IDAT", zlibStored(raw));
  putChunk(png, "IEND", {});
  return png;
}

}  // namespace

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
  const std::vector<uint8_t> png = encodePng(pixels, width, height);
  FILE* out = std::fopen(argv[3], "wb");
  if (!out || std::fwrite(png.data(), 1, png.size(), out) != png.size() || std::fclose(out) != 0) {
    std::fprintf(stderr, "screenshot: cannot write %s\n", argv[3]);
    return 1;
  }
  return 0;
}
