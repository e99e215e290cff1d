#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "runtime/arrays.h"
#include "runtime/errors.h"
#include "runtime/sort.h"

namespace {

class SortTest : public ::testing::Test {
 protected:
  void SetUp() override { errorCode = 0; }
  void TearDown() override {
    arrayErase(keys);
    arrayErase(tags);
  }

  template <class T>
  void fill(dynArray& a, uint8_t type, int32_t lower, const std::vector<T>& values) {
    const arrayBounds b{lower, lower + static_cast<int32_t>(values.size()) - 1};
    arrayDim(a, 0, type, 1, sizeof(T), &b);
    std::copy(values.begin(), values.end(), static_cast<T*>(a.data));
  }

  template <class T>
  std::vector<T> contents(const dynArray& a) {
    const T* p = static_cast<const T*>(a.data);
    return std::vector<T>(p, p + a.elementCount);
  }

  // Tags 0..n-1 in the same subscripts as the keys.
  void indexTags(int32_t lower, int32_t n) {
    std::vector<int32_t> t(static_cast<size_t>(n));
    for (int32_t i = 0; i < n; ++i) t[static_cast<size_t>(i)] = i;
    fill(tags, ELEMENT_INT32, lower, t);
  }

  dynArray keys;
  dynArray tags;
};

TEST_F(SortTest, DescendingExampleWithTags) {
  fill<int32_t>(keys, ELEMENT_INT32, 0, {-99, 3, 9, 9, 1});
  fill<int32_t>(tags, ELEMENT_INT32, 0, {-1, 1, 2, 3, 4});
  arraySort(keys, 1, 4, SORT_DESCENDING, &tags);
  EXPECT_EQ(errorCode, 0);
  EXPECT_EQ(contents<int32_t>(keys), (std::vector<int32_t>{-99, 9, 9, 3, 1}));
  EXPECT_EQ(contents<int32_t>(tags), (std::vector<int32_t>{-1, 3, 2, 1, 4}));
}

TEST_F(SortTest, EqualKeysEndInTheOrderOfThePartitioning) {
  // Ascending 2, 1, 2: the two 2s change places.
  fill<int32_t>(keys, ELEMENT_INT32, 0, {2, 1, 2});
  fill<int32_t>(tags, ELEMENT_INT32, 0, {1, 2, 3});
  arraySort(keys, 0, 0, SORT_ASCENDING, &tags);
  EXPECT_EQ(contents<int32_t>(keys), (std::vector<int32_t>{1, 2, 2}));
  EXPECT_EQ(contents<int32_t>(tags), (std::vector<int32_t>{2, 3, 1}));
  arrayErase(keys);
  arrayErase(tags);

  // All keys equal: every scan stops at once and swaps.
  fill<float>(keys, ELEMENT_SINGLE, 0, {5, 5, 5, 5});
  fill<int32_t>(tags, ELEMENT_INT32, 0, {1, 2, 3, 4});
  arraySort(keys, 0, 0, SORT_DESCENDING, &tags);
  EXPECT_EQ(contents<int32_t>(tags), (std::vector<int32_t>{3, 4, 1, 2}));
}

TEST_F(SortTest, SortsAndPermutesTagsAlong) {
  std::mt19937 random(7);
  for (int round = 0; round < 40; ++round) {
    const int32_t n = 1 + static_cast<int32_t>(random() % 3000);
    // Few distinct values in some rounds, to exercise the equal-key paths.
    const int32_t spread = round % 2 == 0 ? 5 : 1000000;
    std::vector<int32_t> values(static_cast<size_t>(n));
    for (auto& v : values) v = static_cast<int32_t>(random() % spread) - spread / 2;
    fill(keys, ELEMENT_INT32, 0, values);
    indexTags(0, n);
    const sortOrder order = round % 4 < 2 ? SORT_ASCENDING : SORT_DESCENDING;
    arraySort(keys, 0, 0, order, &tags);
    ASSERT_EQ(errorCode, 0);

    std::vector<int32_t> sorted = contents<int32_t>(keys);
    std::vector<int32_t> t = contents<int32_t>(tags);
    if (order == SORT_ASCENDING) {
      ASSERT_TRUE(std::is_sorted(sorted.begin(), sorted.end()));
    } else {
      ASSERT_TRUE(std::is_sorted(sorted.rbegin(), sorted.rend()));
    }
    // Each tag still names the key it started with: a permutation.
    std::vector<bool> seen(static_cast<size_t>(n), false);
    for (int32_t i = 0; i < n; ++i) {
      const auto original = static_cast<size_t>(t[static_cast<size_t>(i)]);
      ASSERT_LT(original, seen.size());
      ASSERT_FALSE(seen[original]);
      seen[original] = true;
      ASSERT_EQ(sorted[static_cast<size_t>(i)], values[original]);
    }
    arrayErase(keys);
    arrayErase(tags);
  }
}

// The partitioning one key at a time, as it always was: middle pivot, both
// scans stopping on keys equal to it, guarded by the range ends, a swap only
// for i < j, the lower part first.
template <class T>
void referenceSort(std::vector<T>& key, std::vector<int32_t>& tag, int64_t lo, int64_t hi, bool descending) {
  auto before = [descending](T a, T b) { return descending ? a > b : a < b; };
  int64_t i = lo, j = hi;
  const T p = key[static_cast<size_t>(lo + (hi - lo) / 2)];
  while (i <= j) {
    while (before(key[static_cast<size_t>(i)], p) && i < hi) ++i;
    while (before(p, key[static_cast<size_t>(j)]) && j > lo) --j;
    if (i > j) break;
    if (i < j) {
      std::swap(key[static_cast<size_t>(i)], key[static_cast<size_t>(j)]);
      std::swap(tag[static_cast<size_t>(i)], tag[static_cast<size_t>(j)]);
    }
    ++i;
    --j;
  }
  if (lo < j) referenceSort(key, tag, lo, j, descending);
  if (i < hi) referenceSort(key, tag, i, hi, descending);
}

TEST_F(SortTest, EqualKeysEndWhereTheOneByOnePartitioningPutsThem) {
  std::mt19937 random(11);
  for (int round = 0; round < 60; ++round) {
    const int32_t n = 1 + static_cast<int32_t>(random() % 20000);
    const int32_t spread = 1 + static_cast<int32_t>(random() % (round % 3 == 0 ? 4 : 3000));
    const bool descending = round % 2 == 1, floats = round % 5 == 4;
    std::vector<float> floatKeys(static_cast<size_t>(n));
    std::vector<int32_t> intKeys(static_cast<size_t>(n));
    for (int32_t k = 0; k < n; ++k) {
      intKeys[static_cast<size_t>(k)] = static_cast<int32_t>(random() % static_cast<uint32_t>(spread));
      floatKeys[static_cast<size_t>(k)] =
          random() % 50 == 0 ? std::numeric_limits<float>::quiet_NaN() : static_cast<float>(intKeys[static_cast<size_t>(k)]);
    }
    if (round % 7 == 6) std::sort(intKeys.begin(), intKeys.end());  // long runs of one side
    std::vector<int32_t> expectedTags(static_cast<size_t>(n));
    for (int32_t k = 0; k < n; ++k) expectedTags[static_cast<size_t>(k)] = k;
    indexTags(0, n);
    const sortOrder order = descending ? SORT_DESCENDING : SORT_ASCENDING;
    if (floats) {
      fill(keys, ELEMENT_SINGLE, 0, floatKeys);
      arraySort(keys, 0, 0, order, &tags);
      referenceSort(floatKeys, expectedTags, 0, n - 1, descending);
    } else {
      fill(keys, ELEMENT_INT32, 0, intKeys);
      arraySort(keys, 0, 0, order, &tags);
      referenceSort(intKeys, expectedTags, 0, n - 1, descending);
    }
    ASSERT_EQ(contents<int32_t>(tags), expectedTags) << "round " << round << ", " << n << " keys";
    arrayErase(keys);
    arrayErase(tags);
  }
}

TEST_F(SortTest, FloatsCompareAsNumbers) {
  fill<float>(keys, ELEMENT_SINGLE, 1, {0.5f, -3.25f, 1e30f, -0.0f, 2.0f, -1e-30f, 7.0f});
  arraySort(keys, 1, 0, SORT_ASCENDING);
  EXPECT_EQ(contents<float>(keys), (std::vector<float>{-3.25f, -1e-30f, -0.0f, 0.5f, 2.0f, 7.0f, 1e30f}));
  arraySort(keys, 1, 0, SORT_DESCENDING);
  EXPECT_EQ(contents<float>(keys), (std::vector<float>{1e30f, 7.0f, 2.0f, 0.5f, -0.0f, -1e-30f, -3.25f}));
}

TEST_F(SortTest, SignedIntegersIncludeTheExtremes) {
  fill<int32_t>(keys, ELEMENT_INT32, 0, {0, INT32_MAX, -1, INT32_MIN, 1});
  arraySort(keys, 0, 0, SORT_ASCENDING);
  EXPECT_EQ(contents<int32_t>(keys), (std::vector<int32_t>{INT32_MIN, -1, 0, 1, INT32_MAX}));
}

TEST_F(SortTest, NotANumberKeysDoNotBreakTheSort) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  std::vector<float> values{3, nan, 1, nan, 2, nan, 0};
  fill(keys, ELEMENT_SINGLE, 0, values);
  indexTags(0, 7);
  arraySort(keys, 0, 0, SORT_ASCENDING, &tags);
  EXPECT_EQ(errorCode, 0);
  std::vector<int32_t> t = contents<int32_t>(tags);
  std::sort(t.begin(), t.end());
  EXPECT_EQ(t, (std::vector<int32_t>{0, 1, 2, 3, 4, 5, 6}));
}

TEST_F(SortTest, OnlyTheRangeIsSorted) {
  fill<int32_t>(keys, ELEMENT_INT32, 10, {9, 8, 7, 6, 5, 4, 3});
  arraySort(keys, 12, 3, SORT_ASCENDING);
  EXPECT_EQ(contents<int32_t>(keys), (std::vector<int32_t>{9, 8, 5, 6, 7, 4, 3}));
  arraySort(keys, 14, 0, SORT_ASCENDING);  // from subscript 14 to the end
  EXPECT_EQ(contents<int32_t>(keys), (std::vector<int32_t>{9, 8, 5, 6, 3, 4, 7}));
}

TEST_F(SortTest, SingleElementRangesChangeNothing) {
  fill<int32_t>(keys, ELEMENT_INT32, 0, {3, 2, 1});
  fill<int32_t>(tags, ELEMENT_INT32, 0, {1, 2, 3});
  arraySort(keys, 1, 1, SORT_ASCENDING, &tags);
  arraySort(keys, 2, 0, SORT_ASCENDING, &tags);
  EXPECT_EQ(errorCode, 0);
  EXPECT_EQ(contents<int32_t>(keys), (std::vector<int32_t>{3, 2, 1}));
  EXPECT_EQ(contents<int32_t>(tags), (std::vector<int32_t>{1, 2, 3}));
}

TEST_F(SortTest, TagsOfAnyElementSize) {
  struct wide {
    int32_t id;
    char name[9];
  };
  fill<int32_t>(keys, ELEMENT_INT32, 0, {30, 10, 20});
  const arrayBounds b{0, 2};
  arrayDim(tags, 0, 0, 1, sizeof(wide), &b);
  wide* w = static_cast<wide*>(tags.data);
  w[0] = {30, "thirty"};
  w[1] = {10, "ten"};
  w[2] = {20, "twenty"};
  arraySort(keys, 0, 0, SORT_ASCENDING, &tags);
  EXPECT_EQ(w[0].id, 10);
  EXPECT_STREQ(w[0].name, "ten");
  EXPECT_EQ(w[1].id, 20);
  EXPECT_STREQ(w[1].name, "twenty");
  EXPECT_EQ(w[2].id, 30);
  EXPECT_STREQ(w[2].name, "thirty");
}

TEST_F(SortTest, LargeOrderedInputsDoNotExhaustTheStack) {
  const int32_t n = 300000;
  std::vector<int32_t> values(static_cast<size_t>(n));
  // Organ pipe: rising then falling, a classic bad case for middle pivots.
  for (int32_t i = 0; i < n; ++i) values[static_cast<size_t>(i)] = i < n / 2 ? i : n - i;
  fill(keys, ELEMENT_INT32, 0, values);
  arraySort(keys, 0, 0, SORT_DESCENDING);
  std::vector<int32_t> sorted = contents<int32_t>(keys);
  EXPECT_TRUE(std::is_sorted(sorted.rbegin(), sorted.rend()));
  arraySort(keys, 0, 0, SORT_ASCENDING);
  sorted = contents<int32_t>(keys);
  EXPECT_TRUE(std::is_sorted(sorted.begin(), sorted.end()));
}

TEST_F(SortTest, BadArgumentsAreReported) {
  arraySort(keys, 0, 0, SORT_ASCENDING);  // not dimensioned
  EXPECT_EQ(errorCode, ERROR_BAD_ARGUMENT);

  fill<int32_t>(keys, ELEMENT_INT32, 1, {4, 3, 2, 1});
  auto untouched = [&](int32_t expected) {
    EXPECT_EQ(errorCode, expected);
    EXPECT_EQ(contents<int32_t>(keys), (std::vector<int32_t>{4, 3, 2, 1}));
    errorCode = 0;
  };
  errorCode = 0;
  arraySort(keys, 0, 0, SORT_ASCENDING);  // below the lower bound
  untouched(ERROR_OUT_OF_RANGE);
  arraySort(keys, 5, 0, SORT_ASCENDING);  // above the upper bound
  untouched(ERROR_OUT_OF_RANGE);
  arraySort(keys, 1, -1, SORT_ASCENDING);
  untouched(ERROR_BAD_ARGUMENT);
  arraySort(keys, 2, 4, SORT_ASCENDING);  // runs past the end
  untouched(ERROR_BAD_ARGUMENT);
  arraySort(keys, 1, INT32_MAX, SORT_ASCENDING);
  untouched(ERROR_BAD_ARGUMENT);

  arraySort(keys, 1, 0, SORT_ASCENDING, &tags);  // tag array not dimensioned
  untouched(ERROR_BAD_ARGUMENT);
  fill<int32_t>(tags, ELEMENT_INT32, 1, {1, 2, 3});
  arraySort(keys, 1, 0, SORT_ASCENDING, &tags);  // tag array too short
  untouched(ERROR_BAD_ARGUMENT);
  arraySort(keys, 1, 3, SORT_ASCENDING, &tags);  // short tags are enough for 3
  EXPECT_EQ(errorCode, 0);
  EXPECT_EQ(contents<int32_t>(keys), (std::vector<int32_t>{2, 3, 4, 1}));
  EXPECT_EQ(contents<int32_t>(tags), (std::vector<int32_t>{3, 2, 1}));
}

TEST_F(SortTest, UnsortableElementTypesAreRefused) {
  const arrayBounds b{0, 2};
  arrayDim(keys, 0, 0, 1, 8, &b);
  arraySort(keys, 0, 0, SORT_ASCENDING);
  EXPECT_EQ(errorCode, ERROR_BAD_ARGUMENT);
}

}  // namespace
