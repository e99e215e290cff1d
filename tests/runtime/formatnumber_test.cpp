#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <random>
#include <string>

#include "runtime/errors.h"
#include "runtime/formatnumber.h"
#include "tests/runtime/text.h"

namespace {

std::string format(long double x, int digits) { return text(formatNumber(x, digits)); }

struct example {
  long double value;
  const char* form;
};

TEST(FormatNumber, SevenDigitExamples) {
  const example examples[] = {
      {5, " 5 "},
      {-5, "-5 "},
      {0.5L, " .5 "},
      {-2.5L, "-2.5 "},
      {1234567, " 1234567 "},
      {12345678, " 1.234568E+7 "},
      {1000000, " 1000000 "},
      {10000000, " 1E+7 "},
      {0.001234L, " .001234 "},
      {0.0001234L, " .0001234 "},
      {0.00001234L, " 1.234E-5 "},
      {0, " 0 "},
  };
  for (const example& e : examples) EXPECT_EQ(format(e.value, 7), e.form) << static_cast<double>(e.value);
}

TEST(FormatNumber, SevenDigitExamplesFromDoublesAndFloats) {
  // The program passes single floats and integers widened to long double.
  EXPECT_EQ(format(0.001234, 7), " .001234 ");
  EXPECT_EQ(format(0.0001234, 7), " .0001234 ");
  EXPECT_EQ(format(0.00001234, 7), " 1.234E-5 ");
  EXPECT_EQ(format(0.001234f, 7), " .001234 ");
  EXPECT_EQ(format(-2.5f, 7), "-2.5 ");
}

TEST(FormatNumber, OnlyDigitAfterTheLastDecidesTheRounding) {
  EXPECT_EQ(format(0.125L, 2), " .12 ");
  EXPECT_EQ(format(0.135L, 2), " .14 ");
  EXPECT_EQ(format(0.1251L, 2), " .12 ");
  EXPECT_EQ(format(0.125, 2), " .12 ");
  EXPECT_EQ(format(0.135, 2), " .14 ");
  EXPECT_EQ(format(0.1251, 2), " .12 ");
  EXPECT_EQ(format(0.1259L, 2), " .12 ");  // digit 3 is a 5 and digit 2 even
  EXPECT_EQ(format(0.1261L, 2), " .13 ");
  EXPECT_EQ(format(2.5L, 1), " 2 ");
  EXPECT_EQ(format(3.5L, 1), " 4 ");
}

TEST(FormatNumber, CarryIntoANewLeadingDigit) {
  EXPECT_EQ(format(9999999.6L, 7), " 1E+7 ");
  EXPECT_EQ(format(9999999.6, 7), " 1E+7 ");
  EXPECT_EQ(format(999999.96L, 7), " 1000000 ");
  EXPECT_EQ(format(-0.99999996L, 7), "-1 ");
  EXPECT_EQ(format(0.0099999996L, 7), " .01 ");
}

TEST(FormatNumber, Layouts) {
  EXPECT_EQ(format(123.456L, 7), " 123.456 ");
  EXPECT_EQ(format(-0.5L, 7), "-.5 ");
  EXPECT_EQ(format(1e-7L, 7), " .0000001 ");
  EXPECT_EQ(format(1.5e-7L, 7), " 1.5E-7 ");
  EXPECT_EQ(format(1e-6L, 7), " .000001 ");
  EXPECT_EQ(format(1200, 2), " 1.2E+3 ");
  EXPECT_EQ(format(120, 2), " 1.2E+2 ");
  EXPECT_EQ(format(120, 3), " 120 ");
  EXPECT_EQ(format(1e100L, 7), " 1E+100 ");
  EXPECT_EQ(format(-1.25e-300L, 7), "-1.25E-300 ");
  EXPECT_EQ(format(32768, 7), " 32768 ");
}

TEST(FormatNumber, FifteenDigitPrintForm) {
  EXPECT_EQ(format(5, 15), " 5 ");
  EXPECT_EQ(format(1.0L / 3, 15), " .333333333333333 ");
  EXPECT_EQ(format(2.0L / 3, 15), " .666666666666667 ");
  EXPECT_EQ(format(0.1f, 15), " .100000001490116 ");
  EXPECT_EQ(format(-123456789012345.0L, 15), "-123456789012345 ");
  EXPECT_EQ(format(1234567890123456.0L, 15), " 1.23456789012346E+15 ");
  EXPECT_EQ(format(0.017453292519943295L, 15), " 1.74532925199433E-2 ");
  EXPECT_EQ(format(0.17453292519943295L, 15), " .174532925199433 ");
}

TEST(FormatNumber, EighteenDigitsNeedTheExtendedSignificand) {
  // 0.1 as a double is 0.1000000000000000055511...; its 18th digit is 6.
  EXPECT_EQ(format(0.1, 18), " .100000000000000006 ");
  EXPECT_EQ(format(0.1L, 18), " .1 ");
  EXPECT_EQ(format(123456789012345678.0L, 18), " 123456789012345678 ");
  EXPECT_EQ(format(18446744073709551616.0L, 18), " 1.84467440737095516E+19 ");
  EXPECT_EQ(format(LDBL_MAX, 18), " 1.18973149535723177E+4932 ");
  EXPECT_EQ(format(LDBL_MIN, 18), " 3.36210314311209351E-4932 ");
  EXPECT_EQ(format(-LDBL_MIN, 3), "-3.36E-4932 ");
}

TEST(FormatNumber, SpecialValues) {
  const long double inf = std::numeric_limits<long double>::infinity();
  EXPECT_EQ(format(inf, 7), " 9.999999E+998 ");
  EXPECT_EQ(format(-inf, 7), "-9.999999E+998 ");
  EXPECT_EQ(format(inf, 1), " 9E+998 ");
  EXPECT_EQ(format(std::numeric_limits<long double>::quiet_NaN(), 7), " 0 ");
  EXPECT_EQ(format(-std::numeric_limits<long double>::quiet_NaN(), 7), " 0 ");
  EXPECT_EQ(format(-0.0L, 7), " 0 ");
  EXPECT_EQ(format(LDBL_MIN / 2, 7), " 0 ");
  EXPECT_EQ(format(-std::numeric_limits<long double>::denorm_min(), 15), " 0 ");
  EXPECT_EQ(format(0, 18), " 0 ");
}

TEST(FormatNumber, DigitsOutsideOneToEighteenAreClamped) {
  errorCode = 0;
  EXPECT_EQ(format(12.5L, 0), " 1E+1 ");
  EXPECT_EQ(errorCode, ERROR_BAD_ARGUMENT);
  errorCode = 0;
  EXPECT_EQ(format(0.1, 40), " .100000000000000006 ");
  EXPECT_EQ(errorCode, ERROR_BAD_ARGUMENT);
}

// The digits and decimal point position of a print form, undoing the layout.
struct decoded {
  std::string digits;  // no leading zeros, trailing zeros removed
  int pointPosition;   // value = 0.digits * 10^pointPosition
};

decoded decode(const std::string& form) {
  decoded d{"", 0};
  std::string body = form.substr(1, form.size() - 2);
  int exponent = 0;
  size_t e = body.find('E');
  if (e != std::string::npos) {
    exponent = std::atoi(body.c_str() + e + 1) + 1;
    body = body.substr(0, e);
    // scientific: d.ddd => 0.dddd * 10^(exponent)
    std::string digits;
    for (char c : body)
      if (c != '.') digits += c;
    d.digits = digits;
    d.pointPosition = exponent;
  } else {
    size_t point = body.find('.');
    std::string whole = point == std::string::npos ? body : body.substr(0, point);
    std::string fraction = point == std::string::npos ? "" : body.substr(point + 1);
    std::string all = whole + fraction;
    int position = static_cast<int>(whole.size());
    size_t firstNonZero = all.find_first_not_of('0');
    all = all.substr(firstNonZero);
    position -= static_cast<int>(firstNonZero);
    d.digits = all;
    d.pointPosition = position;
  }
  while (d.digits.size() > 1 && d.digits.back() == '0') d.digits.pop_back();
  return d;
}

// glibc's printf rounds the exact binary value correctly; 18 digits of it.
decoded reference(long double x) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.17Le", fabsl(x));
  std::string s = buffer;
  size_t e = s.find('e');
  decoded d{"", std::atoi(s.c_str() + e + 1) + 1};
  for (size_t i = 0; i < e; ++i)
    if (s[i] != '.') d.digits += s[i];
  while (d.digits.size() > 1 && d.digits.back() == '0') d.digits.pop_back();
  return d;
}

// The powers of two where floor(e * 19728 / 65536) overestimates the decimal
// exponent; a first scaling there yields only 17 digits.
TEST(FormatNumber, TinyPowersOfTwoKeepEighteenDigits) {
  for (int e : {-681, -16374, -16364, -10000, -5000}) {
    long double x = std::ldexp(1.0L, e);
    if (!std::isnormal(x)) continue;
    decoded ours = decode(format(x, 18));
    decoded expected = reference(x);
    EXPECT_EQ(ours.digits, expected.digits) << e;
    EXPECT_EQ(ours.pointPosition, expected.pointPosition) << e;
  }
}

// Across the whole exponent range the 18 digits are those of a correctly
// rounded conversion of the exact binary value.
TEST(FormatNumber, EighteenDigitsAreCorrectlyRoundedAcrossTheRange) {
  std::mt19937_64 random(20240611);
  std::uniform_int_distribution<int> exponent(-16381, 16383);
  for (int i = 0; i < 20000; ++i) {
    long double mantissa = 1.0L + static_cast<long double>(random() >> 1) / 9223372036854775808.0L;
    long double x = std::ldexp(mantissa, exponent(random));
    if (random() & 1) x = -x;
    std::string form = format(x, 18);
    ASSERT_EQ(form[0], x < 0 ? '-' : ' ');
    ASSERT_EQ(form.back(), ' ');
    decoded ours = decode(form);
    decoded expected = reference(x);
    ASSERT_EQ(ours.digits, expected.digits) << form;
    ASSERT_EQ(ours.pointPosition, expected.pointPosition) << form;
  }
}

TEST(NumberToText, BareForm) {
  EXPECT_EQ(text(numberToText(5)), "5");
  EXPECT_EQ(text(numberToText(-5)), "-5");
  EXPECT_EQ(text(numberToText(0.5L)), ".5");
  EXPECT_EQ(text(numberToText(0)), "0");
  EXPECT_EQ(text(numberToText(12345678)), "1.234568E+7");
  EXPECT_EQ(text(numberToText(-0.00001234L)), "-1.234E-5");
  EXPECT_EQ(text(numberToText(3)), "3");
  EXPECT_EQ(numberToText(5).length(), 1);
}

}  // namespace
