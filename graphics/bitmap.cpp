#include "graphics/bitmap.h"

#include <algorithm>
#include <new>

#include "graphics/drawthread.h"
#include "graphics/raster.h"
#include "graphics/registry.h"
#include "runtime/errors.h"

uint32_t graphicBitmapCreate(int32_t width, int32_t height) {
  if (width <= 0 || height <= 0 || static_cast<int64_t>(width) * height > (int64_t{1} << 28)) {
    raiseError(width > 0 && height > 0 ? ERROR_OUT_OF_MEMORY : ERROR_BAD_ARGUMENT);
    return 0;
  }
  const uint32_t handle = newTargetHandle();
  targetRef bitmap = newTarget(handle, 0, BITMAP_FLAGS, TARGET_BITMAP);
  if (!bitmap) return 0;
  if (!bitmap->makePixels(width, height, pixelOf(FACE_COLOR))) {
    raiseError(ERROR_OUT_OF_MEMORY);
    return 0;
  }
  return registerTarget(bitmap) ? handle : 0;
}

void graphicBitmapRelease(uint32_t handle) {
  targetRef bitmap = findTarget(handle);
  if (bitmap && bitmap->kind == TARGET_BITMAP) destroyTarget(handle);
}

bool graphicTargetPixels(uint32_t handle, std::vector<uint32_t>& pixels, int32_t* width, int32_t* height) {
  targetRef target = findTarget(handle);
  if (!target || !target->drawable()) return false;
  targetLock lock(*target);
  const pixelBuffer buffer = target->settledPixels(lock);
  const size_t count = static_cast<size_t>(buffer.width) * buffer.height;
  try {
    pixels.resize(count);
  } catch (const std::bad_alloc&) {
    return false;
  }
  for (size_t i = 0; i < count; ++i) pixels[i] = colourOf(buffer.pixels[i]);
  if (width) *width = buffer.width;
  if (height) *height = buffer.height;
  return true;
}
