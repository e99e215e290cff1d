#include "runtime/arrays.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

#include "runtime/errors.h"
#include "runtime/strings.h"

namespace {

// Bounds of dimension i (0-based) as stored in the descriptor.
int32_t lowerOf(const dynArray& a, int i) { return i == 0 ? a.lower1 : a.more[i - 1].lower; }
int32_t upperOf(const dynArray& a, int i) { return i == 0 ? a.upper1 : a.more[i - 1].upper; }

bool isStringArray(const dynArray& a) { return a.elementType == ELEMENT_STRING; }

rtString* stringElements(const dynArray& a) { return static_cast<rtString*>(a.data); }

// The sizes a set of bounds gives, or false (error raised) when they are bad.
struct layout {
  uint32_t elementCount;
  uint32_t byteSize;
  int32_t strides[ARRAY_MAX_DIMENSIONS];
};

bool computeLayout(uint8_t dimensionCount, uint32_t elementSize, const arrayBounds* bounds, layout& out) {
  uint64_t count = 1;
  for (int i = 0; i < dimensionCount; ++i) {
    if (bounds[i].upper < bounds[i].lower) {
      raiseError(ERROR_OUT_OF_RANGE);
      return false;
    }
    // The stride of a dimension is the product of the counts before it.
    if (count > static_cast<uint64_t>(INT32_MAX)) {
      raiseError(ERROR_OUT_OF_RANGE);
      return false;
    }
    out.strides[i] = static_cast<int32_t>(count);
    count *= static_cast<uint64_t>(static_cast<int64_t>(bounds[i].upper) - bounds[i].lower + 1);
    if (count > UINT32_MAX) {
      raiseError(ERROR_OUT_OF_RANGE);
      return false;
    }
  }
  const uint64_t bytes = count * elementSize;
  if (bytes > UINT32_MAX) {
    raiseError(ERROR_OUT_OF_RANGE);
    return false;
  }
  out.elementCount = static_cast<uint32_t>(count);
  out.byteSize = static_cast<uint32_t>(bytes);
  return true;
}

bool argumentsUsable(uint8_t elementType, uint8_t dimensionCount, uint32_t elementSize, const arrayBounds* bounds) {
  if (bounds == nullptr || dimensionCount < 1 || dimensionCount > ARRAY_MAX_DIMENSIONS || elementSize == 0) return false;
  // String elements are released through their rtString objects.
  if (elementType == ELEMENT_STRING && elementSize != sizeof(rtString)) return false;
  return true;
}

void startStrings(void* data, uint32_t first, uint32_t end) {
  std::uninitialized_default_construct(static_cast<rtString*>(data) + first, static_cast<rtString*>(data) + end);
}

// Releases the string elements first..end-1, from the last backwards.
void releaseStrings(const dynArray& a, uint32_t first, uint32_t end) {
  rtString* elements = stringElements(a);
  for (uint32_t i = end; i > first; --i) std::destroy_at(elements + (i - 1));
}

}  // namespace

void arrayDim(dynArray& a, uint8_t flags, uint8_t elementType, uint8_t dimensionCount, uint32_t elementSize,
              const arrayBounds* bounds, void* external) {
  if (a.flags & ARRAY_DIMENSIONED) return;
  if (!argumentsUsable(elementType, dimensionCount, elementSize, bounds)) {
    raiseError(ERROR_BAD_ARGUMENT);
    return;
  }
  layout sizes;
  if (!computeLayout(dimensionCount, elementSize, bounds, sizes)) return;

  void* data;
  if (flags & ARRAY_EXTERNAL) {
    if (external == nullptr) {
      raiseError(ERROR_BAD_ARGUMENT);
      return;
    }
    data = external;
  } else {
    data = std::calloc(sizes.byteSize, 1);
    if (data == nullptr) {
      raiseError(ERROR_OUT_OF_MEMORY);
      return;
    }
    if (elementType == ELEMENT_STRING) startStrings(data, 0, sizes.elementCount);
  }

  a.data = data;
  a.flags = static_cast<uint8_t>(flags | ARRAY_DIMENSIONED);
  a.descriptorKind = 2;
  a.elementType = elementType;
  a.dimensionCount = dimensionCount;
  a.elementCount = sizes.elementCount;
  a.byteSize = sizes.byteSize;
  a.elementSize = elementSize;
  a.lower1 = bounds[0].lower;
  a.upper1 = bounds[0].upper;
  for (int i = 1; i < ARRAY_MAX_DIMENSIONS; ++i) {
    if (i < dimensionCount) {
      a.more[i - 1] = {sizes.strides[i], bounds[i].lower, bounds[i].upper};
    } else {
      a.more[i - 1] = {0, 0, 0};
    }
  }
}

void arrayRedimPreserve(dynArray& a, uint8_t flags, uint8_t elementType, uint8_t dimensionCount,
                        uint32_t elementSize, const arrayBounds* bounds, void* external) {
  if (!(a.flags & ARRAY_DIMENSIONED)) {
    arrayDim(a, flags, elementType, dimensionCount, elementSize, bounds, external);
    return;
  }
  if (bounds == nullptr) {
    raiseError(ERROR_BAD_ARGUMENT);
    return;
  }
  // Only the last upper bound may change.
  const int last = dimensionCount - 1;
  bool same = elementType == a.elementType && elementSize == a.elementSize && dimensionCount == a.dimensionCount;
  for (int i = 0; same && i < dimensionCount; ++i) {
    if (bounds[i].lower != lowerOf(a, i)) same = false;
    if (i != last && bounds[i].upper != upperOf(a, i)) same = false;
  }
  if (!same || bounds[last].upper < bounds[last].lower) {
    raiseError(ERROR_OUT_OF_RANGE);
    return;
  }
  layout sizes;
  if (!computeLayout(dimensionCount, elementSize, bounds, sizes)) return;
  if (sizes.byteSize == a.byteSize) return;
  // Storage the array does not own cannot be resized.
  if (a.flags & ARRAY_EXTERNAL) {
    raiseError(ERROR_BAD_ARGUMENT);
    return;
  }

  const uint32_t oldCount = a.elementCount;
  if (isStringArray(a) && sizes.elementCount < oldCount) {
    releaseStrings(a, sizes.elementCount, oldCount);
    // The released elements stay valid empty strings in case the block
    // cannot be resized below.
    startStrings(a.data, sizes.elementCount, oldCount);
  }
  void* data = std::realloc(a.data, sizes.byteSize);
  if (data == nullptr) {
    raiseError(ERROR_OUT_OF_MEMORY);
    return;
  }
  if (sizes.byteSize > a.byteSize) {
    std::memset(static_cast<uint8_t*>(data) + a.byteSize, 0, sizes.byteSize - a.byteSize);
    if (isStringArray(a)) startStrings(data, oldCount, sizes.elementCount);
  }
  a.data = data;
  a.elementCount = sizes.elementCount;
  a.byteSize = sizes.byteSize;
  if (last == 0) {
    a.upper1 = bounds[0].upper;
  } else {
    a.more[last - 1].upper = bounds[last].upper;
  }
}

void arrayErase(dynArray& a) {
  if (!(a.flags & ARRAY_DIMENSIONED)) return;
  a.flags = static_cast<uint8_t>(a.flags & ~ARRAY_DIMENSIONED);
  if (a.flags & ARRAY_EXTERNAL) return;
  if (isStringArray(a)) releaseStrings(a, 0, a.elementCount);
  std::free(a.data);
  a.data = nullptr;
  a.elementCount = 0;
  a.byteSize = 0;
}
