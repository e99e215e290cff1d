#pragma once
// The level pictures that guard the drawing against any change of a pixel:
// levels 0 to 5, each in the first view and after one arrow-key turn in each
// direction, drawn as the program draws them into a 750 x 750 back buffer
// and reduced to a checksum each. tools/levelpictures prints them;
// tests/app/level_pictures.txt keeps those of a known good build.
#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <string>
#include <vector>

#include "app/curve.h"
#include "app/levelview.h"
#include "app/program.h"
#include "app/state.h"
#include "app/view.h"
#include "graphics/bitmap.h"
#include "graphics/drawing.h"
#include "graphics/redraw.h"

struct levelPictureSum {
  int32_t level;
  std::string view;  // "first", "left", "right", "up" or "down"
  uint64_t sum;

  // "<level> <view> <sum in hex>", the form of the reference file.
  std::string line() const {
    char text[64];
    std::snprintf(text, sizeof text, "%d %s %016llx", static_cast<int>(level), view.c_str(),
                  static_cast<unsigned long long>(sum));
    return text;
  }
};

// FNV-1a over the bytes of the pixels.
inline uint64_t pictureChecksum(const std::vector<uint32_t>& pixels) {
  uint64_t h = 0xCBF29CE484222325ull;
  for (uint32_t p : pixels)
    for (int shift = 0; shift < 32; shift += 8) h = (h ^ ((p >> shift) & 0xFF)) * 0x100000001B3ull;
  return h;
}

inline std::vector<levelPictureSum> levelPictureSums() {
  struct turn {
    const char* view;
    void (*apply)(int32_t);
    int32_t delta;
  };
  // As the arrow keys turn the view.
  const turn turns[] = {{"first", nullptr, 0},
                        {"left", turnViewB, -5},
                        {"right", turnViewB, 5},
                        {"up", turnViewA, -5},
                        {"down", turnViewA, 5}};
  auto releasePoints = [] {
    for (dynArray* a : {&pointX, &pointY, &pointZ, &scaledX, &scaledY, &scaledZ}) arrayErase(*a);
  };
  std::vector<levelPictureSum> sums;
  const uint32_t canvas = graphicBitmapCreate(750, 750);
  if (canvas == 0) return sums;
  graphicAttach(canvas, 0, true);
  graphicSetPenWidth(3);
  graphicSetScale(-750, 750, 750, -750);
  releasePoints();
  setFirstView();
  setLevelZero();
  for (int32_t at = 0; at <= 5; ++at) {
    if (at > 0) {
      growArrays();
      buildNextLevel();
      ++level;
    }
    for (const turn& t : turns) {
      setFirstView();
      if (t.apply) t.apply(t.delta);
      levelPicture picture;
      graphicClear(COLOR_DEFAULT, 0);
      drawLevelPicture(picture, levelScale());
      std::vector<uint32_t> pixels;
      if (!graphicTargetPixels(canvas, pixels)) pixels.clear();
      sums.push_back({at, t.view, pictureChecksum(pixels)});
    }
  }
  setFirstView();
  releasePoints();
  graphicBitmapRelease(canvas);
  return sums;
}
