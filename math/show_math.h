// The show's own single-precision math: the same bits on every compiler, C library and processor.
//
// Each function is evaluated in double precision from +, −, ×, ÷, sqrt and exact conversions only,
// with a careful argument reduction, and rounded once to float at the end. The results are within
// one unit in the last place and almost always correctly rounded (tools/math_check measures it).
// Every value that decides a cell, the audio analysis or the zoom goes through these, never through
// the C library's sinf, cosf, atan2f, powf, expf or hypotf, which differ between implementations.
// Special values follow C's Annex F; every NaN result is the quiet NaN 0x7FC00000.
#pragma once

#include "math/show_math_tables.h"

inline float showSin(float x);  // Below: inline, as the scenes call them for every cell
inline float showCos(float x);
// showSin or showCos of count floats, two at a time in SSE2 where the processor has it: the same
// bits as one call per value, in about half the time (for the rows of a scene)
void showSinArray(const float* x, float* out, int count);
void showCosArray(const float* x, float* out, int count);
// Both of the same values: one reduction serves the sine and the cosine
void showSinCosArray(const float* x, float* sines, float* cosines, int count);
float showExp(float x);
float showPow(float x, float y);
float showAtan2(float y, float x);
float showHypot(float x, float y);

namespace show_math_detail {

constexpr float kReduceLimit = 1048576.0f;  // 2^20: below, n·kHalfPi1 and n·kHalfPi2 stay exact
constexpr float kSinIsX = 0x1p-12f;         // Below this, x − x³/6 rounds to x (and keeps −0)
constexpr double kRoundShift = 0x1.8p52;    // Adding and removing it rounds to an integer
constexpr float kNoReduce = 0.785f;          // Below pi/4 the reduction gives n = 0 and r = x exactly
constexpr double kQuadrantSign[2] = {1.0, -1.0};

// sinKernel's coefficients, then cosKernel's, for picking one by the quadrant's parity
constexpr double kSinCosPoly[2][6] = {
    {show_math_tables::kSinPoly[0], show_math_tables::kSinPoly[1], show_math_tables::kSinPoly[2],
     show_math_tables::kSinPoly[3], show_math_tables::kSinPoly[4], show_math_tables::kSinPoly[5]},
    {show_math_tables::kCosPoly[0], show_math_tables::kCosPoly[1], show_math_tables::kCosPoly[2],
     show_math_tables::kCosPoly[3], show_math_tables::kCosPoly[4], show_math_tables::kCosPoly[5]}};

// NaN, infinities and |x| >= 2^20, out of line
float sinFar(float x);
float cosFar(float x);

// sin r and cos r for |r| <= pi/4 (a little beyond is fine)
inline double sinKernel(double r) {
    const double* s = show_math_tables::kSinPoly;
    const double t = r * r;
    const double p = s[0] + t * (s[1] + t * (s[2] + t * (s[3] + t * (s[4] + t * s[5]))));
    return r + r * t * p;
}

inline double cosKernel(double r) {
    const double* c = show_math_tables::kCosPoly;
    const double t = r * r;
    const double p = c[0] + t * (c[1] + t * (c[2] + t * (c[3] + t * (c[4] + t * c[5]))));
    return (1.0 - 0.5 * t) + t * t * p;
}

// x = n·pi/2 + r with |r| <= pi/4, for |x| < 2^20: pi/2 in three parts, the first two products exact
inline double reduce(float x, int* quadrant) {
    using namespace show_math_tables;
    const double xd = (double)x;
    const double n = (xd * kTwoOverPi + kRoundShift) - kRoundShift;
    *quadrant = (int)n;
    return ((xd - n * kHalfPi1) - n * kHalfPi2) - n * kHalfPi3;
}

// sin(n·pi/2 + r) without a branch on the quadrant: an argument sweeping across a row changes
// quadrant every few cells, and a mispredicted branch costs more than the kernel. The odd quadrants
// take cosKernel's steps, the even ones sinKernel's: the same coefficients (from one table), the same
// operations in the same order, so the same bits; the sign comes last (negation is exact).
inline float quadrantSin(double r, int n) {
    const int odd = n & 1;
    const double* c = kSinCosPoly[odd];
    const double t = r * r;
    const double p = c[0] + t * (c[1] + t * (c[2] + t * (c[3] + t * (c[4] + t * c[5]))));
    const double head[2] = {r, 1.0 - 0.5 * t};  // sinKernel: r + (r·t)·p, cosKernel: (1 − t/2) + (t·t)·p
    const double scale[2] = {r * t, t * t};
    const double v = head[odd] + scale[odd] * p;
    return (float)(v * kQuadrantSign[(n & 2) >> 1]);
}

}  // namespace show_math_detail

inline float showSin(float x) {
    using namespace show_math_detail;
    const float ax = x < 0.0f ? -x : x;
    if (!(ax < kReduceLimit)) return sinFar(x);
    if (ax < kSinIsX) return x;
    if (ax < kNoReduce) return (float)sinKernel((double)x);  // What reduce and quadrant 0 would give
    int n;
    const double r = reduce(x, &n);
    return quadrantSin(r, n);
}

inline float showCos(float x) {
    using namespace show_math_detail;
    const float ax = x < 0.0f ? -x : x;
    if (!(ax < kReduceLimit)) return cosFar(x);
    if (ax < kNoReduce) return (float)cosKernel((double)x);
    int n;
    const double r = reduce(x, &n);
    return quadrantSin(r, n + 1);  // cos x = sin(x + pi/2)
}
