#pragma once
#include <cstdint>

// Element types of a dynamic array.
inline constexpr uint8_t ELEMENT_INT32 = 10;
inline constexpr uint8_t ELEMENT_SINGLE = 20;
inline constexpr uint8_t ELEMENT_STRING = 46;  // rtString elements

// Flag bits.
inline constexpr uint8_t ARRAY_EXTERNAL = 1;     // storage not owned, never freed
inline constexpr uint8_t ARRAY_DIMENSIONED = 4;

inline constexpr int ARRAY_MAX_DIMENSIONS = 8;

struct arrayBounds {
  int32_t lower;
  int32_t upper;
};

// Descriptor of a dynamic array; the storage is one zero-filled block, the
// first dimension varying fastest.
struct dynArray {
  void* data = nullptr;
  uint8_t flags = 0;
  uint8_t descriptorKind = 0;  // 2 once dimensioned
  uint8_t elementType = 0;
  uint8_t dimensionCount = 0;
  uint32_t elementCount = 0;
  uint32_t byteSize = 0;
  uint32_t reserved = 0;
  uint32_t elementSize = 0;
  int32_t lower1 = 0;
  int32_t upper1 = 0;
  struct {
    int32_t stride;
    int32_t lower;
    int32_t upper;
  } more[ARRAY_MAX_DIMENSIONS - 1] = {};
};

// bounds holds one lower/upper pair per dimension. With ARRAY_EXTERNAL in
// flags, `external` is used as the storage and nothing is allocated.
void arrayDim(dynArray& a, uint8_t flags, uint8_t elementType, uint8_t dimensionCount,
              uint32_t elementSize, const arrayBounds* bounds, void* external = nullptr);
void arrayRedimPreserve(dynArray& a, uint8_t flags, uint8_t elementType, uint8_t dimensionCount,
                        uint32_t elementSize, const arrayBounds* bounds, void* external = nullptr);
void arrayErase(dynArray& a);

// Element i of a one-dimensional array, unchecked.
template <class T>
inline T& arrayAt(const dynArray& a, int32_t i) {
  return static_cast<T*>(a.data)[i - a.lower1];
}
