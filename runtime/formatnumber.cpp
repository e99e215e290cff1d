#include "runtime/formatnumber.h"

#include <cmath>
#include <cstring>

#include "runtime/errors.h"

// The print form needs 18 correct significant digits. An extended-precision
// product |x| * 10^m is only good to about 19 digits and 10^m itself is
// inexact beyond 10^27, so the scaling runs in a two-word extended format
// (about 128 significant bits) with the binary exponent kept apart, which
// also keeps 10^m representable for every m a finite long double needs.

namespace {

constexpr uint64_t TEN_POW_17 = 100000000000000000ULL;
constexpr uint64_t TEN_POW_18 = 1000000000000000000ULL;
constexpr int MAX_DIGITS = 18;

// value = (hi + lo) * 2^exp, hi in [1, 2), |lo| below half an ulp of hi.
struct wideValue {
  long double hi;
  long double lo;
  int exp;
};

// Exact product of two long doubles as p + err (Dekker; 64-bit significand
// split into two halves of 32 bits).
void twoProduct(long double a, long double b, long double& p, long double& err) {
  constexpr long double SPLIT = 4294967297.0L;  // 2^32 + 1
  p = a * b;
  long double ca = SPLIT * a;
  long double ah = ca - (ca - a);
  long double al = a - ah;
  long double cb = SPLIT * b;
  long double bh = cb - (cb - b);
  long double bl = b - bh;
  err = ((ah * bh - p) + ah * bl + al * bh) + al * bl;
}

wideValue normalise(long double hi, long double lo, int exp) {
  long double s = hi + lo;
  long double t = lo - (s - hi);
  if (s >= 2.0L) {
    s *= 0.5L;
    t *= 0.5L;
    exp += 1;
  }
  return {s, t, exp};
}

wideValue multiply(const wideValue& a, const wideValue& b) {
  long double p, err;
  twoProduct(a.hi, b.hi, p, err);
  return normalise(p, err + (a.hi * b.lo + a.lo * b.hi), a.exp + b.exp);
}

// 10^n for n >= 0 by binary exponentiation; 10 = 1.25 * 2^3.
wideValue powerOfTen(int n) {
  wideValue result{1.0L, 0.0L, 0};
  wideValue base{1.25L, 0.0L, 3};
  while (n > 0) {
    if (n & 1) result = multiply(result, base);
    n >>= 1;
    if (n > 0) base = multiply(base, base);
  }
  return result;
}

// Nearest integer to hi + lo, halves to even; the value lies below 2^64.
uint64_t roundPairToInteger(long double hi, long double lo) {
  long double whole = std::floor(hi);
  long double fraction = (hi - whole) + lo;  // hi - whole is exact
  if (fraction < 0.0L) {
    whole -= 1.0L;
    fraction += 1.0L;
  } else if (fraction >= 1.0L) {
    whole += 1.0L;
    fraction -= 1.0L;
  }
  auto n = static_cast<uint64_t>(whole);
  if (fraction > 0.5L || (fraction == 0.5L && (n & 1) != 0)) n += 1;
  return n;
}

// |x| * 10^m rounded to the nearest integer (halves to even); |x| is finite,
// normal and g * 2^binaryExponent with g in [1, 2).
uint64_t scaleToInteger(long double g, int binaryExponent, int m) {
  long double hi, lo;
  if (m >= 0) {
    wideValue p = powerOfTen(m);
    long double err;
    twoProduct(g, p.hi, hi, err);
    lo = err + g * p.lo;
    binaryExponent += p.exp;
  } else {
    wideValue p = powerOfTen(-m);
    // g / (p.hi + p.lo) as a quotient and its correction.
    hi = g / p.hi;
    long double prod, err;
    twoProduct(hi, p.hi, prod, err);
    long double remainder = ((g - prod) - err) - hi * p.lo;
    lo = remainder / p.hi;
    binaryExponent -= p.exp;
  }
  return roundPairToInteger(std::ldexp(hi, binaryExponent), std::ldexp(lo, binaryExponent));
}

// floor(e * 19728 / 65536): the decimal exponent estimated from the binary one.
int estimateDecimalExponent(int binaryExponent) {
  int product = binaryExponent * 19728;
  int q = product / 65536;
  if (product % 65536 != 0 && product < 0) q -= 1;
  return q;
}

// The digit string of a value: digits[0..count) and the position of the
// decimal point (value = 0.d1d2... * 10^pointPosition).
struct digitString {
  char digits[MAX_DIGITS];
  int count;
  int pointPosition;
};

void significantDigits(long double ax, int d, digitString& out) {
  int frexpExponent;
  long double f = std::frexp(ax, &frexpExponent);  // ax = f * 2^e, f in [0.5, 1)
  long double g = f * 2.0L;
  int binaryExponent = frexpExponent - 1;
  int estimate = estimateDecimalExponent(binaryExponent);
  uint64_t n = scaleToInteger(g, binaryExponent, 17 - estimate);
  if (n < TEN_POW_17) {
    // For some tiny values the estimate is one too high and the product has
    // only 17 digits; scale by one more power of ten instead.
    estimate -= 1;
    n = scaleToInteger(g, binaryExponent, 17 - estimate);
  }
  if (n >= TEN_POW_18) {
    // One digit too many: the scaled value divided by ten, rounded once (not
    // the rounded integer again, which could round twice).
    estimate += 1;
    n = scaleToInteger(g, binaryExponent, 17 - estimate);
  }
  char all[MAX_DIGITS];
  for (int i = MAX_DIGITS - 1; i >= 0; --i) {
    all[i] = static_cast<char>('0' + n % 10);
    n /= 10;
  }
  int pointPosition = estimate + 1;

  // Only digit d + 1 decides; the digits after it are not looked at.
  bool roundUp = false;
  if (d < MAX_DIGITS) {
    int next = all[d] - '0';
    roundUp = next > 5 || (next == 5 && ((all[d - 1] - '0') & 1) != 0);
  }
  if (roundUp) {
    int i = d - 1;
    while (i >= 0 && all[i] == '9') all[i--] = '0';
    if (i >= 0) {
      all[i] += 1;
    } else {
      all[0] = '1';  // carried out of the first digit; the rest are zeros already
      pointPosition += 1;
    }
  }
  std::memcpy(out.digits, all, static_cast<size_t>(d));
  out.count = d;
  out.pointPosition = pointPosition;
}

}  // namespace

rtString formatNumber(long double x, int32_t digits) {
  int d = digits;
  if (d < 1 || d > MAX_DIGITS) {
    raiseError(ERROR_BAD_ARGUMENT);
    d = d < 1 ? 1 : MAX_DIGITS;
  }

  digitString ds;
  bool negative = false;
  const int kind = std::fpclassify(x);
  if (kind == FP_ZERO || kind == FP_SUBNORMAL || kind == FP_NAN) {
    std::memset(ds.digits, '0', static_cast<size_t>(d));
    ds.count = d;
    ds.pointPosition = 1;
  } else if (kind == FP_INFINITE) {
    negative = std::signbit(x);
    std::memset(ds.digits, '9', static_cast<size_t>(d));
    ds.count = d;
    ds.pointPosition = 999;
  } else {
    negative = x < 0;
    significantDigits(std::fabs(x), d, ds);
  }

  int k = ds.count;
  while (k > 1 && ds.digits[k - 1] == '0') --k;
  const int p = ds.pointPosition;
  const int e = p - k;

  // Sign, up to 18 digits, a point and up to 17 zeros, or E, sign and four
  // exponent digits; then the blank.
  char text[48];
  int n = 0;
  text[n++] = negative ? '-' : ' ';
  auto put = [&](const char* from, int count) {
    std::memcpy(text + n, from, static_cast<size_t>(count));
    n += count;
  };
  auto zeros = [&](int count) {
    std::memset(text + n, '0', static_cast<size_t>(count));
    n += count;
  };
  if (e == 0) {
    put(ds.digits, k);
  } else if (e > 0 && k + e <= d) {
    put(ds.digits, k);
    zeros(e);
  } else if (e < 0 && -e <= d && k > -e) {
    put(ds.digits, p);
    text[n++] = '.';
    put(ds.digits + p, -e);
  } else if (e < 0 && -e <= d) {
    text[n++] = '.';
    zeros(-e - k);
    put(ds.digits, k);
  } else {
    text[n++] = ds.digits[0];
    if (k > 1) {
      text[n++] = '.';
      put(ds.digits + 1, k - 1);
    }
    text[n++] = 'E';
    int exponent = p - 1;
    text[n++] = exponent >= 0 ? '+' : '-';
    if (exponent < 0) exponent = -exponent;
    char reversed[8];
    int r = 0;
    do {
      reversed[r++] = static_cast<char>('0' + exponent % 10);
      exponent /= 10;
    } while (exponent > 0);
    while (r > 0) text[n++] = reversed[--r];
  }
  text[n++] = ' ';
  return strFromBytes(text, n);
}

rtString numberToText(long double x) {
  rtString full = formatNumber(x, 7);
  int32_t n = full.length();
  if (n == 0) return full;
  const uint8_t* bytes = full.bytes();
  int32_t start = bytes[0] == ' ' ? 1 : 0;
  return strFromBytes(bytes + start, n - 1 - start);
}
