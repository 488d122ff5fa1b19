#include "math/show_math.h"

#include <cmath>    // Required for: std::sqrt() (double; correctly rounded on every IEEE machine)
#include <cstdint>
#include <cstring>  // Required for: memcpy()

#include "math/show_math_tables.h"

namespace {

using namespace show_math_tables;

// Adding and removing this rounds a double of magnitude below 2^51 to the nearest integer
constexpr double kRoundShift = 0x1.8p52;
constexpr double kExpOverflow = 89.0;           // e^89 is beyond FLT_MAX
constexpr double kExpUnderflow = -104.0;        // e^-104 is below half the smallest subnormal

uint32_t bitsOf(float x) {
    uint32_t b;
    memcpy(&b, &x, sizeof b);
    return b;
}

float floatOf(uint32_t b) {
    float x;
    memcpy(&x, &b, sizeof x);
    return x;
}

uint64_t bitsOf(double x) {
    uint64_t b;
    memcpy(&b, &x, sizeof b);
    return b;
}

double doubleOf(uint64_t b) {
    double x;
    memcpy(&x, &b, sizeof x);
    return x;
}

// 2^e for -1022 <= e <= 1023, built from its bits
double powerOfTwo(int e) { return doubleOf((uint64_t)(e + 1023) << 52); }

double nearestInteger(double v) { return (v + kRoundShift) - kRoundShift; }

// x = n·pi/2 + r with |r| <= pi/4 for any finite |x| >= 2^20, in integer arithmetic: |x|·2/pi
// modulo 4 from the 24-bit mantissa times 160 bits of 2/pi, exact to far more bits than the double result keeps.
double reduceLarge(float x, int* quadrant) {
    const uint32_t b = bitsOf(x) & 0x7FFFFFFFu;
    const uint64_t mantissa = (b & 0x7FFFFFu) | 0x800000u;
    const int e = (int)(b >> 23) - 150;  // |x| = mantissa · 2^e, e >= -3
    // Bits of 2/pi before word `first` only add multiples of 4 to |x|·2/pi
    const int first = e >= 2 ? (e - 2) / 32 : 0;

    // mantissa · (words first .. first+4), as six 32-bit limbs, least significant first
    uint32_t limb[6];
    uint64_t carry = 0;
    for (int j = 4; j >= 0; --j) {
        const uint64_t product = mantissa * kTwoOverPiBits[first + j] + carry;
        limb[4 - j] = (uint32_t)product;
        carry = product >> 32;
    }
    limb[5] = (uint32_t)carry;
    const uint64_t h2 = ((uint64_t)limb[5] << 32) | limb[4];
    const uint64_t h1 = ((uint64_t)limb[3] << 32) | limb[2];
    const uint64_t h0 = ((uint64_t)limb[1] << 32) | limb[0];

    // The product has `fraction` bits after the binary point; move the two integer bits that count
    // to the top of the 192 bits
    const int fraction = 32 * first + 160 - e;  // 127 .. 163
    const int shift = 190 - fraction;           // 27 .. 63
    const uint64_t top = (h2 << shift) | (h1 >> (64 - shift));
    const uint64_t next = (h1 << shift) | (h0 >> (64 - shift));

    // Read as signed, the bits below the quadrant are the distance to the nearest multiple of
    // pi/2 in [-1/2, 1/2), and a half or more carries into the quadrant
    const uint64_t f = (top << 2) | (next >> 62);
    *quadrant = (int)(((top >> 62) + (f >> 63)) & 3u);
    const uint64_t fLow = next << 2;
    const double fHigh = (double)(int64_t)(f - (f & 0xFFFFFFFFu)) + (double)(uint32_t)f;
    const double fd = fHigh + (double)(uint32_t)(fLow >> 32) * 0x1p-32;
    return fd * kHalfPiOver2To64;
}

// e^(t + tail) for a double t in a range where the float result is finite or rounds to 0/inf
double expKernel(double t, double tail) {
    if (t > kExpOverflow) return powerOfTwo(200);
    if (t < kExpUnderflow) return 0.0;
    const double kd = nearestInteger(t * k64OverLn2);
    const int k = (int)kd;
    const double r = ((t - kd * kLn2Over64Hi) - kd * kLn2Over64Lo) + tail;
    const double* c = kExpPoly;
    const double er = r + r * r * (c[0] + r * (c[1] + r * (c[2] + r * c[3])));  // e^r − 1
    const int j = k & 63;
    const int scale = (k - j) / 64;
    const double tj = kExp2Table[j];
    return (tj + tj * er) * powerOfTwo(scale);
}

// a + b = s + err exactly
double twoSum(double a, double b, double* err) {
    const double s = a + b;
    const double bv = s - a;
    *err = (a - (s - bv)) + (b - bv);
    return s;
}

// The high 26 bits of a double; the rest, v − high, is then exact as well
double highPart(double v) { return doubleOf(bitsOf(v) & 0xFFFFFFFFF8000000ull); }

// ln x for a positive finite float, as hi + lo with about 64 bits together
double logParts(float x, double* lo) {
    uint32_t ix = bitsOf(x);
    int e = 0;
    if (ix < 0x00800000u) {  // Subnormal: scale into the normal range, exactly
        ix = bitsOf(x * 8388608.0f);
        e = -23;
    }
    const int32_t offsetBits = (int32_t)ix - (int32_t)kLogOffset;
    const int32_t low = (int32_t)((uint32_t)offsetBits & 0x7FFFFFu);
    const int32_t exponent = (offsetBits - low) / (1 << 23);
    const int i = (int)(((uint32_t)offsetBits >> 17) & 63u);
    e += exponent;
    const float m = floatOf(ix - ((uint32_t)exponent << 23));  // In [0.699, 1.398)

    const double z = (double)m * kLogInvC[i] - 1.0;  // Exact: 1/c has at most 20 bits
    const double* c = kLogPoly;
    const double p = z * z * (c[0] + z * (c[1] + z * (c[2] + z * (c[3] + z * (c[4] + z * c[5])))));
    double err1;
    const double s = twoSum((double)e * kLn2Hi, kLogC[i], &err1);
    double err2;
    const double hi = twoSum(s, z, &err2);
    *lo = p + (double)e * kLn2Lo + err1 + err2;
    return hi;
}

// Parity of a float that is an integer: 0 even, 1 odd; -1 when it is not an integer
int integerParity(float y) {
    const uint32_t b = bitsOf(y) & 0x7FFFFFFFu;
    if (b == 0) return 0;
    const int e = (int)(b >> 23) - 127;
    if (e < 0) return -1;
    if (e > 23) return 0;
    const uint32_t mantissa = (b & 0x7FFFFFu) | 0x800000u;
    const int fractionBits = 23 - e;
    if ((mantissa & ((1u << fractionBits) - 1u)) != 0) return -1;
    return (int)((mantissa >> fractionBits) & 1u);
}

// Every NaN result is this one: which NaN an operation on NaNs gives differs between processors
// and compilers (and is unspecified in WebAssembly)
float quietNan() { return floatOf(0x7FC00000u); }

bool isNan(float x) { return (bitsOf(x) & 0x7FFFFFFFu) > 0x7F800000u; }
bool isInf(float x) { return (bitsOf(x) & 0x7FFFFFFFu) == 0x7F800000u; }
float absOf(float x) { return floatOf(bitsOf(x) & 0x7FFFFFFFu); }
bool signBit(float x) { return (bitsOf(x) >> 31) != 0; }

// pow for finite x and y in the general case: sign · |x|^y
float powGeneral(float ax, float y, bool negative) {
    double lnLo;
    const double lnHi = logParts(ax, &lnLo);
    // y · ln|x| as t + tail: y has 24 bits and each half of lnHi 26 or 27, so both products are exact
    const double yd = (double)y;
    const double upper = highPart(lnHi);
    const double a = yd * upper;
    const double b = yd * (lnHi - upper);
    double err;
    const double t = twoSum(a, b, &err);
    const double result = expKernel(t, err + yd * lnLo);
    return (float)(negative ? -result : result);
}

// atan z for 0 <= z <= 1: atan(j/16) from the table plus atan of what is left
double atanUnit(double z) {
    const double j = nearestInteger(z * 16.0);
    const double c = j * 0.0625;
    const double w = (z - c) / (1.0 + z * c);  // |w| <= 1/32
    const double u = w * w;
    const double* a = kAtanPoly;
    return kAtanTable[(int)j] + (w + w * u * (a[0] + u * (a[1] + u * (a[2] + u * a[3]))));
}

}  // namespace

float show_math_detail::sinFar(float x) {
    if (isNan(x) || isInf(x)) return quietNan();
    int n;
    const double r = reduceLarge(x, &n);  // Of |x|: sin(−x) = −sin x
    return show_math_detail::quadrantSin(signBit(x) ? -r : r, signBit(x) ? 4 - n : n);
}

float show_math_detail::cosFar(float x) {
    if (isNan(x) || isInf(x)) return quietNan();
    int n;
    const double r = reduceLarge(x, &n);  // Of |x|: cos(−x) = cos x
    return show_math_detail::quadrantSin(r, n + 1);
}

float showExp(float x) {
    if (isNan(x)) return quietNan();
    return (float)expKernel((double)x, 0.0);
}

float showPow(float x, float y) {
    if (y == 0.0f || x == 1.0f) return 1.0f;  // Even for a NaN in the other argument
    if (isNan(x) || isNan(y)) return quietNan();
    const float ax = absOf(x);
    if (isInf(y)) {
        if (ax == 1.0f) return 1.0f;
        return ((ax > 1.0f) == (y > 0.0f)) ? floatOf(0x7F800000u) : 0.0f;
    }
    const int parity = integerParity(y);
    const bool negative = signBit(x) && parity == 1;
    if (ax == 0.0f || isInf(x)) {
        // |x|^y is 0 or inf; an odd integer y keeps the sign of x
        const bool large = (ax == 0.0f) == (y < 0.0f);
        const float magnitude = large ? floatOf(0x7F800000u) : 0.0f;
        return negative ? -magnitude : magnitude;
    }
    if (signBit(x) && parity < 0) return quietNan();  // A negative number to a fraction
    return powGeneral(ax, y, negative);
}

float showAtan2(float y, float x) {
    if (isNan(x) || isNan(y)) return quietNan();
    const bool yNegative = signBit(y);
    const bool xNegative = signBit(x);
    const float ay = absOf(y);
    const float ax = absOf(x);
    double angle;  // In [0, pi], for |y| and the sign of x
    if (ay == 0.0f) {
        angle = xNegative ? kPi : 0.0;
    } else if (isInf(ay) || isInf(ax)) {
        if (isInf(ay) && isInf(ax)) angle = xNegative ? 0.75 * kPi : 0.25 * kPi;
        else if (isInf(ay)) angle = kHalfPi;
        else angle = xNegative ? kPi : 0.0;
    } else {
        const bool steep = ay > ax;
        const double z = steep ? (double)ax / (double)ay : (double)ay / (double)ax;
        angle = atanUnit(z);
        if (steep) angle = kHalfPi - angle;
        if (xNegative) angle = kPi - angle;
    }
    const float result = (float)angle;
    return yNegative ? -result : result;
}

float showHypot(float x, float y) {
    if (isInf(x) || isInf(y)) return floatOf(0x7F800000u);  // Even with a NaN in the other
    if (isNan(x) || isNan(y)) return quietNan();
    const double dx = (double)x;
    const double dy = (double)y;
    return (float)std::sqrt(dx * dx + dy * dy);  // Each square is exact in double
}
