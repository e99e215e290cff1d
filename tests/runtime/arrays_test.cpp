#include <gtest/gtest.h>

#include <cstring>

#include "runtime/arrays.h"
#include "runtime/errors.h"
#include "runtime/strings.h"
#include "tests/runtime/text.h"

namespace {

class ArraysTest : public ::testing::Test {
 protected:
  void SetUp() override { errorCode = 0; }
};

void dimInts(dynArray& a, int32_t lower, int32_t upper) {
  const arrayBounds b{lower, upper};
  arrayDim(a, 0, ELEMENT_INT32, 1, 4, &b);
}

void redimInts(dynArray& a, int32_t lower, int32_t upper) {
  const arrayBounds b{lower, upper};
  arrayRedimPreserve(a, 0, ELEMENT_INT32, 1, 4, &b);
}

// Erases on scope exit so that a failing assertion leaks nothing.
struct scopedArray {
  dynArray a;
  ~scopedArray() { arrayErase(a); }
};

TEST_F(ArraysTest, DimGivesZeroFilledStorage) {
  scopedArray s;
  dimInts(s.a, 0, 9);
  ASSERT_NE(s.a.data, nullptr);
  EXPECT_EQ(errorCode, 0);
  EXPECT_TRUE(s.a.flags & ARRAY_DIMENSIONED);
  EXPECT_EQ(s.a.descriptorKind, 2);
  EXPECT_EQ(s.a.elementType, ELEMENT_INT32);
  EXPECT_EQ(s.a.dimensionCount, 1);
  EXPECT_EQ(s.a.elementCount, 10u);
  EXPECT_EQ(s.a.byteSize, 40u);
  EXPECT_EQ(s.a.elementSize, 4u);
  EXPECT_EQ(s.a.lower1, 0);
  EXPECT_EQ(s.a.upper1, 9);
  for (int i = 0; i <= 9; ++i) EXPECT_EQ(arrayAt<int32_t>(s.a, i), 0);
}

TEST_F(ArraysTest, DimKeepsDeclaredFlagBits) {
  scopedArray s;
  const arrayBounds b{0, 1};
  arrayDim(s.a, 0x80, ELEMENT_SINGLE, 1, 4, &b);
  EXPECT_EQ(s.a.flags, 0x80 | ARRAY_DIMENSIONED);
}

TEST_F(ArraysTest, DimOnADimensionedArrayChangesNothing) {
  scopedArray s;
  dimInts(s.a, 0, 1);
  arrayAt<int32_t>(s.a, 1) = 42;
  void* data = s.a.data;
  dimInts(s.a, 5, 100);
  EXPECT_EQ(errorCode, 0);
  EXPECT_EQ(s.a.data, data);
  EXPECT_EQ(s.a.lower1, 0);
  EXPECT_EQ(s.a.upper1, 1);
  EXPECT_EQ(s.a.elementCount, 2u);
  EXPECT_EQ(arrayAt<int32_t>(s.a, 1), 42);
}

TEST_F(ArraysTest, BadBoundsAndOverflowAreErrorNine) {
  dynArray a;
  dimInts(a, 1, 0);
  EXPECT_EQ(errorCode, ERROR_OUT_OF_RANGE);
  EXPECT_FALSE(a.flags & ARRAY_DIMENSIONED);
  EXPECT_EQ(a.data, nullptr);

  // 2^30 + 1 elements of 4 bytes do not fit in 32 bits.
  errorCode = 0;
  dimInts(a, 0, 1 << 30);
  EXPECT_EQ(errorCode, ERROR_OUT_OF_RANGE);
  EXPECT_EQ(a.data, nullptr);

  // The full int32 range as one dimension: 2^32 elements.
  errorCode = 0;
  dimInts(a, INT32_MIN, INT32_MAX);
  EXPECT_EQ(errorCode, ERROR_OUT_OF_RANGE);

  // Each dimension small, the product too large.
  errorCode = 0;
  const arrayBounds three[] = {{0, 65535}, {0, 65535}, {0, 1}};
  arrayDim(a, 0, ELEMENT_INT32, 3, 4, three);
  EXPECT_EQ(errorCode, ERROR_OUT_OF_RANGE);
  EXPECT_FALSE(a.flags & ARRAY_DIMENSIONED);
}

TEST_F(ArraysTest, UnusableDescriptionsAreErrorFive) {
  dynArray a;
  const arrayBounds b{0, 3};
  arrayDim(a, 0, ELEMENT_INT32, 0, 4, &b);
  EXPECT_EQ(errorCode, ERROR_BAD_ARGUMENT);
  errorCode = 0;
  arrayDim(a, 0, ELEMENT_INT32, 1, 0, &b);
  EXPECT_EQ(errorCode, ERROR_BAD_ARGUMENT);
  errorCode = 0;
  arrayDim(a, 0, ELEMENT_STRING, 1, 4, &b);
  EXPECT_EQ(errorCode, ERROR_BAD_ARGUMENT);
  errorCode = 0;
  arrayDim(a, ARRAY_EXTERNAL, ELEMENT_INT32, 1, 4, &b, nullptr);
  EXPECT_EQ(errorCode, ERROR_BAD_ARGUMENT);
  EXPECT_FALSE(a.flags & ARRAY_DIMENSIONED);
}

TEST_F(ArraysTest, MultipleDimensionsRecordStrides) {
  scopedArray s;
  const arrayBounds b[] = {{1, 3}, {0, 4}, {-2, 2}};
  arrayDim(s.a, 0, ELEMENT_SINGLE, 3, 4, b);
  ASSERT_EQ(errorCode, 0);
  EXPECT_EQ(s.a.elementCount, 75u);
  EXPECT_EQ(s.a.byteSize, 300u);
  EXPECT_EQ(s.a.more[0].stride, 3);
  EXPECT_EQ(s.a.more[0].lower, 0);
  EXPECT_EQ(s.a.more[0].upper, 4);
  EXPECT_EQ(s.a.more[1].stride, 15);
  EXPECT_EQ(s.a.more[1].lower, -2);
  EXPECT_EQ(s.a.more[1].upper, 2);

  // Growing the last dimension keeps the elements in place.
  static_cast<float*>(s.a.data)[74] = 1.5f;
  const arrayBounds grown[] = {{1, 3}, {0, 4}, {-2, 3}};
  arrayRedimPreserve(s.a, 0, ELEMENT_SINGLE, 3, 4, grown);
  ASSERT_EQ(errorCode, 0);
  EXPECT_EQ(s.a.elementCount, 90u);
  EXPECT_EQ(s.a.more[1].upper, 3);
  EXPECT_EQ(static_cast<float*>(s.a.data)[74], 1.5f);
  EXPECT_EQ(static_cast<float*>(s.a.data)[89], 0.0f);

  // Changing any other bound is error 9.
  const arrayBounds other[] = {{1, 4}, {0, 4}, {-2, 3}};
  arrayRedimPreserve(s.a, 0, ELEMENT_SINGLE, 3, 4, other);
  EXPECT_EQ(errorCode, ERROR_OUT_OF_RANGE);
  EXPECT_EQ(s.a.elementCount, 90u);
  EXPECT_EQ(s.a.upper1, 3);
}

TEST_F(ArraysTest, RedimPreserveGrowsAndShrinks) {
  scopedArray s;
  dimInts(s.a, 0, 1);
  arrayAt<int32_t>(s.a, 0) = 5;
  arrayAt<int32_t>(s.a, 1) = 7;

  redimInts(s.a, 0, 8);
  ASSERT_EQ(errorCode, 0);
  EXPECT_EQ(s.a.upper1, 8);
  EXPECT_EQ(s.a.elementCount, 9u);
  EXPECT_EQ(s.a.byteSize, 36u);
  EXPECT_EQ(arrayAt<int32_t>(s.a, 0), 5);
  EXPECT_EQ(arrayAt<int32_t>(s.a, 1), 7);
  for (int i = 2; i <= 8; ++i) EXPECT_EQ(arrayAt<int32_t>(s.a, i), 0) << i;

  redimInts(s.a, 0, 0);
  ASSERT_EQ(errorCode, 0);
  EXPECT_EQ(s.a.upper1, 0);
  EXPECT_EQ(s.a.elementCount, 1u);
  EXPECT_EQ(s.a.byteSize, 4u);
  EXPECT_EQ(arrayAt<int32_t>(s.a, 0), 5);

  // Growing again after a shrink gives zeros, not the old values.
  redimInts(s.a, 0, 1);
  EXPECT_EQ(arrayAt<int32_t>(s.a, 0), 5);
  EXPECT_EQ(arrayAt<int32_t>(s.a, 1), 0);
}

TEST_F(ArraysTest, RedimPreserveGrowsLikeTheCurveLevels) {
  scopedArray s;
  dimInts(s.a, 0, 1);
  arrayAt<int32_t>(s.a, 1) = 1;
  int32_t points = 1;
  for (int level = 1; level <= 5; ++level) {
    redimInts(s.a, 0, 8 * points);
    ASSERT_EQ(errorCode, 0);
    for (int32_t i = points + 1; i <= 8 * points; ++i) ASSERT_EQ(arrayAt<int32_t>(s.a, i), 0);
    for (int32_t i = 1; i <= points; ++i) ASSERT_EQ(arrayAt<int32_t>(s.a, i), i);
    points *= 8;
    for (int32_t i = 1; i <= points; ++i) arrayAt<int32_t>(s.a, i) = i;
  }
  EXPECT_EQ(s.a.elementCount, 32769u);
}

TEST_F(ArraysTest, RedimPreserveOnAnUndimensionedArrayDimensionsIt) {
  scopedArray s;
  redimInts(s.a, 0, 3);
  EXPECT_EQ(errorCode, 0);
  EXPECT_TRUE(s.a.flags & ARRAY_DIMENSIONED);
  EXPECT_EQ(s.a.elementCount, 4u);
}

TEST_F(ArraysTest, RedimPreserveRefusesOtherChangesAndLeavesTheArray) {
  scopedArray s;
  dimInts(s.a, 0, 1);
  arrayAt<int32_t>(s.a, 0) = 5;
  arrayAt<int32_t>(s.a, 1) = 7;
  void* data = s.a.data;

  auto unchanged = [&] {
    EXPECT_EQ(errorCode, ERROR_OUT_OF_RANGE);
    EXPECT_EQ(s.a.data, data);
    EXPECT_EQ(s.a.lower1, 0);
    EXPECT_EQ(s.a.upper1, 1);
    EXPECT_EQ(s.a.elementCount, 2u);
    EXPECT_EQ(arrayAt<int32_t>(s.a, 0), 5);
    EXPECT_EQ(arrayAt<int32_t>(s.a, 1), 7);
    errorCode = 0;
  };

  redimInts(s.a, 1, 8);  // lower bound changed
  unchanged();
  redimInts(s.a, 0, -1);  // upper below lower
  unchanged();
  const arrayBounds b{0, 8};
  arrayRedimPreserve(s.a, 0, ELEMENT_SINGLE, 1, 4, &b);  // element type
  unchanged();
  arrayRedimPreserve(s.a, 0, ELEMENT_INT32, 1, 8, &b);  // element size
  unchanged();
  const arrayBounds two[] = {{0, 1}, {0, 3}};
  arrayRedimPreserve(s.a, 0, ELEMENT_INT32, 2, 4, two);  // dimension count
  unchanged();
  redimInts(s.a, 0, 1 << 30);  // size overflow
  unchanged();
}

TEST_F(ArraysTest, EraseReleasesAndUndimensions) {
  dynArray a;
  arrayErase(a);  // not dimensioned: nothing to do
  EXPECT_EQ(errorCode, 0);
  dimInts(a, 0, 4);
  arrayErase(a);
  EXPECT_EQ(a.data, nullptr);
  EXPECT_FALSE(a.flags & ARRAY_DIMENSIONED);
  arrayErase(a);
  // It can be dimensioned again afterwards.
  dimInts(a, 0, 2);
  EXPECT_TRUE(a.flags & ARRAY_DIMENSIONED);
  EXPECT_EQ(arrayAt<int32_t>(a, 2), 0);
  arrayErase(a);
}

TEST_F(ArraysTest, ExternalStorageIsNeverFreedOrResized) {
  int32_t storage[4] = {1, 2, 3, 4};
  dynArray a;
  const arrayBounds b{0, 3};
  arrayDim(a, ARRAY_EXTERNAL, ELEMENT_INT32, 1, 4, &b, storage);
  ASSERT_EQ(errorCode, 0);
  EXPECT_EQ(a.data, storage);
  EXPECT_EQ(arrayAt<int32_t>(a, 2), 3);  // not cleared

  redimInts(a, 0, 7);
  EXPECT_EQ(errorCode, ERROR_BAD_ARGUMENT);
  EXPECT_EQ(a.data, storage);
  EXPECT_EQ(a.upper1, 3);

  arrayErase(a);
  EXPECT_FALSE(a.flags & ARRAY_DIMENSIONED);
  EXPECT_EQ(storage[3], 4);
}

TEST_F(ArraysTest, StringElementsAreReleasedOnShrinkAndErase) {
  // Leaks here show up under the address sanitizer's leak checker.
  dynArray a;
  const arrayBounds b{0, 4};
  arrayDim(a, 0, ELEMENT_STRING, 1, sizeof(rtString), &b);
  ASSERT_EQ(errorCode, 0);
  for (int i = 0; i <= 4; ++i) {
    EXPECT_EQ(arrayAt<rtString>(a, i).bytes(), nullptr);
    strAssign(arrayAt<rtString>(a, i), makeString("element " + std::to_string(i)));
  }

  const arrayBounds shorter{0, 1};
  arrayRedimPreserve(a, 0, ELEMENT_STRING, 1, sizeof(rtString), &shorter);
  ASSERT_EQ(errorCode, 0);
  EXPECT_EQ(text(arrayAt<rtString>(a, 0)), "element 0");
  EXPECT_EQ(text(arrayAt<rtString>(a, 1)), "element 1");

  const arrayBounds longer{0, 3};
  arrayRedimPreserve(a, 0, ELEMENT_STRING, 1, sizeof(rtString), &longer);
  ASSERT_EQ(errorCode, 0);
  EXPECT_EQ(text(arrayAt<rtString>(a, 1)), "element 1");
  EXPECT_EQ(arrayAt<rtString>(a, 2).bytes(), nullptr);
  EXPECT_EQ(arrayAt<rtString>(a, 3).bytes(), nullptr);
  strAssign(arrayAt<rtString>(a, 3), makeString("late"));

  arrayErase(a);
  EXPECT_EQ(a.data, nullptr);
}

}  // namespace
