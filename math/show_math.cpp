#include "math/show_math.h"

#include <cmath>    // Required for: std::sqrt() (double; correctly rounded on every IEEE machine)
#include <cstdint>
#include <cstring>  // Required for: memcpy()

#include "math/float_bits.h"
#include "math/show_math_tables.h"

#if defined(__SSE2__)
#include <emmintrin.h>  // SSE2: two doubles at a time for the array functions
#endif

namespace {

using namespace show_math_tables;

// Adding and removing this rounds a double of magnitude below 2^51 to the nearest integer
constexpr double kRoundShift = 0x1.8p52;
constexpr double kExpOverflow = 89.0;           // e^89 is beyond FLT_MAX
constexpr double kExpUnderflow = -104.0;        // e^-104 is below half the smallest subnormal

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

namespace {

#if defined(__SSE2__)
// The array functions, two floats at a time: each lane performs the scalar path's double operations
// in the same order (reduce, then quadrantSin's kernel with its quadrant's coefficients), so it gives
// the same bits. Pairs with a lane the scalar path treats apart (tiny, far, NaN, inf) go through it.

// kSinCosPoly[k] for the four parity pairs of two lanes: entry 2·odd1 + odd0 holds lane 0's
// coefficient in the low half and lane 1's in the high half
struct PairCoefficients {
    alignas(16) double c[4][6][2];
};

constexpr PairCoefficients makePairCoefficients() {
    PairCoefficients p = {};
    for (int pair = 0; pair < 4; ++pair) {
        for (int k = 0; k < 6; ++k) {
            p.c[pair][k][0] = show_math_detail::kSinCosPoly[pair & 1][k];
            p.c[pair][k][1] = show_math_detail::kSinCosPoly[pair >> 1][k];
        }
    }
    return p;
}

constexpr PairCoefficients kPairPoly = makePairCoefficients();

// The other constants, each twice, as the vector instructions read them
struct alignas(16) PairConstant {
    double v[2];
};
constexpr PairConstant kShiftPair = {{kRoundShift, kRoundShift}};
constexpr PairConstant kTwoOverPiPair = {{kTwoOverPi, kTwoOverPi}};
constexpr PairConstant kHalfPi1Pair = {{kHalfPi1, kHalfPi1}};
constexpr PairConstant kHalfPi2Pair = {{kHalfPi2, kHalfPi2}};
constexpr PairConstant kHalfPi3Pair = {{kHalfPi3, kHalfPi3}};
constexpr PairConstant kOnePair = {{1.0, 1.0}};
constexpr PairConstant kHalfPair = {{0.5, 0.5}};
constexpr PairConstant kSignPair = {{-0.0, -0.0}};

// The vector helpers go inline into the loops: as calls they would pass vectors through memory
#define SHOW_MATH_PAIR inline __attribute__((always_inline))

// x = n·pi/2 + r for two lanes, as reduce() does it; n as a 32-bit integer in each lane's low half
struct ReducedPair {
    __m128d r;
    __m128i n;
};

SHOW_MATH_PAIR ReducedPair reducePair(__m128d xd) {
    const __m128d shift = _mm_load_pd(kShiftPair.v);
    const __m128d n = _mm_sub_pd(_mm_add_pd(_mm_mul_pd(xd, _mm_load_pd(kTwoOverPiPair.v)), shift), shift);
    ReducedPair p;
    p.r = _mm_sub_pd(_mm_sub_pd(_mm_sub_pd(xd, _mm_mul_pd(n, _mm_load_pd(kHalfPi1Pair.v))),
                                _mm_mul_pd(n, _mm_load_pd(kHalfPi2Pair.v))),
                     _mm_mul_pd(n, _mm_load_pd(kHalfPi3Pair.v)));
    const __m128i q = _mm_cvttpd_epi32(n);
    p.n = _mm_unpacklo_epi32(q, q);  // Each 64-bit lane: n in both halves
    return p;
}

// quadrantSin(r, n) of both lanes, as two floats in the low half
SHOW_MATH_PAIR __m128 quadrantSinPair(const ReducedPair& p, __m128i offset) {
    const __m128i n = _mm_add_epi32(p.n, offset);
    // Bit 0 of n to the top of each 64-bit lane, spread over the lane: the odd lanes' mask
    const __m128i oddTop = _mm_slli_epi64(n, 63);
    const __m128d odd = _mm_castsi128_pd(_mm_shuffle_epi32(_mm_srai_epi32(oddTop, 31), _MM_SHUFFLE(3, 3, 1, 1)));
    const double(*c)[2] = kPairPoly.c[_mm_movemask_pd(_mm_castsi128_pd(oddTop))];

    const __m128d r = p.r;
    const __m128d t = _mm_mul_pd(r, r);
    __m128d poly = _mm_load_pd(c[5]);
    poly = _mm_add_pd(_mm_load_pd(c[4]), _mm_mul_pd(t, poly));
    poly = _mm_add_pd(_mm_load_pd(c[3]), _mm_mul_pd(t, poly));
    poly = _mm_add_pd(_mm_load_pd(c[2]), _mm_mul_pd(t, poly));
    poly = _mm_add_pd(_mm_load_pd(c[1]), _mm_mul_pd(t, poly));
    poly = _mm_add_pd(_mm_load_pd(c[0]), _mm_mul_pd(t, poly));
    const __m128d cosHead = _mm_sub_pd(_mm_load_pd(kOnePair.v), _mm_mul_pd(_mm_load_pd(kHalfPair.v), t));
    const __m128d head = _mm_or_pd(_mm_and_pd(odd, cosHead), _mm_andnot_pd(odd, r));
    const __m128d scale = _mm_or_pd(_mm_and_pd(odd, _mm_mul_pd(t, t)), _mm_andnot_pd(odd, _mm_mul_pd(r, t)));
    const __m128d v = _mm_add_pd(head, _mm_mul_pd(scale, poly));
    // Bit 1 of n to the sign bit: quadrants 2 and 3 are negated, exactly
    const __m128d sign = _mm_and_pd(_mm_castsi128_pd(_mm_slli_epi64(n, 62)), _mm_load_pd(kSignPair.v));
    return _mm_cvtpd_ps(_mm_xor_pd(v, sign));
}

SHOW_MATH_PAIR __m128 loadPair(const float* x) { return _mm_castpd_ps(_mm_load_sd((const double*)x)); }
SHOW_MATH_PAIR void storePair(float* out, __m128 v) { _mm_storel_pi((__m64*)out, v); }

// True when both lanes take the kernel path: |x| < 2^20 (which NaN fails), and for a sine |x| >=
// kSinIsX
SHOW_MATH_PAIR bool plainPair(__m128 x, bool sine) {
    const __m128 ax = _mm_and_ps(x, _mm_castsi128_ps(_mm_set1_epi32(0x7FFFFFFF)));
    __m128 ok = _mm_cmplt_ps(ax, _mm_set1_ps(show_math_detail::kReduceLimit));
    if (sine) ok = _mm_and_ps(ok, _mm_cmpge_ps(ax, _mm_set1_ps(show_math_detail::kSinIsX)));
    return (_mm_movemask_ps(ok) & 3) == 3;
}

#undef SHOW_MATH_PAIR
#endif

}  // namespace

void showSinArray(const float* x, float* out, int count) {
    int i = 0;
#if defined(__SSE2__)
    const __m128i sine = _mm_setzero_si128();
    for (; i + 1 < count; i += 2) {
        const __m128 v = loadPair(x + i);
        if (plainPair(v, true)) {
            storePair(out + i, quadrantSinPair(reducePair(_mm_cvtps_pd(v)), sine));
        } else {
            out[i] = showSin(x[i]);
            out[i + 1] = showSin(x[i + 1]);
        }
    }
#endif
    for (; i < count; ++i) out[i] = showSin(x[i]);
}

void showCosArray(const float* x, float* out, int count) {
    int i = 0;
#if defined(__SSE2__)
    const __m128i cosine = _mm_set1_epi32(1);  // cos x = sin(x + pi/2)
    for (; i + 1 < count; i += 2) {
        const __m128 v = loadPair(x + i);
        if (plainPair(v, false)) {
            storePair(out + i, quadrantSinPair(reducePair(_mm_cvtps_pd(v)), cosine));
        } else {
            out[i] = showCos(x[i]);
            out[i + 1] = showCos(x[i + 1]);
        }
    }
#endif
    for (; i < count; ++i) out[i] = showCos(x[i]);
}

void showSinCosArray(const float* x, float* sines, float* cosines, int count) {
    int i = 0;
#if defined(__SSE2__)
    const __m128i sine = _mm_setzero_si128();
    const __m128i cosine = _mm_set1_epi32(1);
    for (; i + 1 < count; i += 2) {
        const __m128 v = loadPair(x + i);
        if (plainPair(v, true)) {
            const ReducedPair p = reducePair(_mm_cvtps_pd(v));
            storePair(sines + i, quadrantSinPair(p, sine));
            storePair(cosines + i, quadrantSinPair(p, cosine));
        } else {
            sines[i] = showSin(x[i]);
            sines[i + 1] = showSin(x[i + 1]);
            cosines[i] = showCos(x[i]);
            cosines[i + 1] = showCos(x[i + 1]);
        }
    }
#endif
    for (; i < count; ++i) {
        sines[i] = showSin(x[i]);
        cosines[i] = showCos(x[i]);
    }
}
