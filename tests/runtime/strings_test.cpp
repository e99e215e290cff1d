#include <gtest/gtest.h>

#include <cstring>

#include "runtime/errors.h"
#include "runtime/strings.h"
#include "tests/runtime/text.h"

namespace {

class StringsTest : public ::testing::Test {
 protected:
  void SetUp() override { errorCode = 0; }
};

uint32_t storedCount(const rtString& s) {
  uint32_t count;
  std::memcpy(&count, s.bytes() - 4, 4);
  return count;
}

TEST_F(StringsTest, BlockHoldsCountBytesAndTerminatingZero) {
  rtString s = makeString(std::string("ab\0c", 4));
  ASSERT_NE(s.bytes(), nullptr);
  EXPECT_EQ(storedCount(s), 4u);
  EXPECT_EQ(s.length(), 4);
  EXPECT_EQ(text(s), std::string("ab\0c", 4));
  EXPECT_EQ(s.bytes()[4], 0);
}

TEST_F(StringsTest, EmptyStringOwnsNoBlock) {
  EXPECT_EQ(rtString().bytes(), nullptr);
  EXPECT_EQ(rtString::allocate(0).bytes(), nullptr);
  EXPECT_EQ(strFromBytes("abc", 0).bytes(), nullptr);
  EXPECT_EQ(strConcat(rtString(), rtString()).bytes(), nullptr);
  EXPECT_EQ(strLen(rtString()), 0);
  EXPECT_EQ(errorCode, 0);
}

TEST_F(StringsTest, NegativeLengthIsErrorSevenAndEmpty) {
  rtString s = rtString::allocate(-1);
  EXPECT_EQ(s.bytes(), nullptr);
  EXPECT_EQ(errorCode, ERROR_OUT_OF_MEMORY);
  errorCode = 0;
  EXPECT_EQ(strFromBytes("abc", -3).bytes(), nullptr);
  EXPECT_EQ(errorCode, ERROR_OUT_OF_MEMORY);
  errorCode = 0;
  EXPECT_EQ(strRepeat(-3, makeString("x")).bytes(), nullptr);
  EXPECT_EQ(errorCode, ERROR_OUT_OF_MEMORY);
}

TEST_F(StringsTest, AllocatedBytesAreZero) {
  rtString s = rtString::allocate(100);
  ASSERT_EQ(s.length(), 100);
  for (int i = 0; i <= 100; ++i) EXPECT_EQ(s.bytes()[i], 0) << i;
}

TEST_F(StringsTest, AssigningATemporaryMovesItsBlock) {
  rtString variable = makeString("old");
  rtString temporary = makeString("new value");
  const uint8_t* block = temporary.bytes();
  strAssign(variable, static_cast<rtString&&>(temporary));
  EXPECT_EQ(variable.bytes(), block);
  EXPECT_EQ(temporary.bytes(), nullptr);
  EXPECT_EQ(text(variable), "new value");
}

TEST_F(StringsTest, AssigningABorrowedStringOfEqualLengthReusesTheBlock) {
  rtString variable = makeString("abc");
  const uint8_t* block = variable.bytes();
  rtString other = makeString("xyz");
  strAssign(variable, rtStringRef(other));
  EXPECT_EQ(variable.bytes(), block);
  EXPECT_EQ(text(variable), "xyz");
  EXPECT_EQ(text(other), "xyz");
  EXPECT_NE(other.bytes(), block);
}

TEST_F(StringsTest, AssigningABorrowedStringOfOtherLengthCopies) {
  rtString variable = makeString("abc");
  rtString other = makeString("longer");
  strAssign(variable, rtStringRef(other));
  EXPECT_EQ(text(variable), "longer");
  EXPECT_NE(variable.bytes(), other.bytes());
  EXPECT_EQ(storedCount(variable), 6u);
  EXPECT_EQ(variable.bytes()[6], 0);

  strAssign(variable, rtStringRef());
  EXPECT_EQ(variable.bytes(), nullptr);
}

TEST_F(StringsTest, AssigningAStringToItselfKeepsIt) {
  rtString variable = makeString("same");
  strAssign(variable, rtStringRef(variable));
  EXPECT_EQ(text(variable), "same");
  strAssign(variable, static_cast<rtString&&>(variable));
  EXPECT_EQ(text(variable), "same");
}

TEST_F(StringsTest, LiteralsAreOperandsInPlace) {
  static constexpr rtLiteral hello("Hello");
  rtStringRef ref(hello);
  EXPECT_EQ(ref.data(), hello.bytes);
  EXPECT_EQ(ref.length(), 5);
  EXPECT_EQ(hello.bytes[5], 0);
  rtString joined = strConcat(hello, rtLiteral(", world"));
  EXPECT_EQ(text(joined), "Hello, world");
  // A temporary operand: the result of an operation used straight away.
  EXPECT_EQ(text(strConcat(strConcat(hello, rtLiteral(" ")), hello)), "Hello Hello");
}

TEST_F(StringsTest, ConcatenationWithEmptyOperands) {
  rtString a = makeString("abc");
  EXPECT_EQ(text(strConcat(a, rtString())), "abc");
  EXPECT_EQ(text(strConcat(rtString(), a)), "abc");
  EXPECT_NE(strConcat(a, rtString()).bytes(), a.bytes());
}

TEST_F(StringsTest, RepeatTakesTheFirstByte) {
  uint8_t frame = 196;
  rtString line = strRepeat(36, rtStringRef(&frame, 1));
  ASSERT_EQ(strLen(line), 36);
  for (int i = 1; i <= 36; ++i) EXPECT_EQ(strByteAt(line, i), 196);
  EXPECT_EQ(strRepeat(0, rtStringRef(&frame, 1)).bytes(), nullptr);
  EXPECT_EQ(text(strRepeat(3, rtString())), std::string(3, '\0'));
  EXPECT_EQ(text(strRepeat(4, makeString("xy"))), "xxxx");
  EXPECT_EQ(errorCode, 0);
}

TEST_F(StringsTest, ByteAtCountsFromEitherEnd) {
  const uint8_t key[] = {0, 72};
  rtString s = strFromBytes(key, 2);
  EXPECT_EQ(strByteAt(s, 2), 72);
  EXPECT_EQ(strByteAt(s, 3), -1);
  EXPECT_EQ(strByteAt(s, -1), 72);
  EXPECT_EQ(strByteAt(s, 1), 0);
  EXPECT_EQ(strByteAt(s, -2), 0);
  EXPECT_EQ(strByteAt(s, -3), -1);
  EXPECT_EQ(strByteAt(s, 0), -1);
  EXPECT_EQ(strByteAt(rtString(), 1), -1);
  EXPECT_EQ(strByteAt(s, INT32_MIN), -1);
  EXPECT_EQ(strByteAt(s, INT32_MAX), -1);
  const uint8_t high = 255;
  EXPECT_EQ(strByteAt(rtStringRef(&high, 1), 1), 255);
  EXPECT_EQ(errorCode, 0);
}

TEST_F(StringsTest, EqualIsAThreeWayByteComparison) {
  const uint8_t enter = 13, escape = 27;
  EXPECT_NE(strEqual(rtStringRef(&enter, 1), rtStringRef(&escape, 1)), 0);
  EXPECT_EQ(strEqual(rtStringRef(&enter, 1), rtStringRef(&escape, 1)), -1);
  EXPECT_EQ(strEqual(rtStringRef(&escape, 1), rtStringRef(&enter, 1)), 1);

  rtString a = makeString("level");
  rtString copy = makeString("level");
  EXPECT_EQ(strEqual(a, copy), 0);
  EXPECT_EQ(strEqual(a, a), 0);
  EXPECT_EQ(strEqual(rtString(), rtString()), 0);

  // A prefix sorts first; bytes compare unsigned.
  EXPECT_EQ(strEqual(makeString("lev"), a), -1);
  EXPECT_EQ(strEqual(a, makeString("lev")), 1);
  EXPECT_EQ(strEqual(rtString(), a), -1);
  EXPECT_EQ(strEqual(makeString("\xc8"), makeString("d")), 1);
  EXPECT_EQ(strEqual(makeString(std::string("a\0b", 3)), makeString(std::string("a\0c", 3))), -1);
}

TEST_F(StringsTest, NegativeBorrowedLengthIsEmpty) {
  const uint8_t bytes[] = {'a', 'b'};
  rtStringRef bad(bytes, -5);
  EXPECT_EQ(strLen(bad), 0);
  EXPECT_EQ(strByteAt(bad, -1), -1);
  EXPECT_EQ(text(strConcat(bad, makeString("x"))), "x");
  rtString v = makeString("keep");
  strAssign(v, bad);
  EXPECT_EQ(v.bytes(), nullptr);
}

}  // namespace
