// The show's own math at its hard cases. Expected values are the exact results rounded once to
// float, worked with 80 significant digits; NaN, infinities, zeros and subnormals per IEEE 754.
#include <gtest/gtest.h>

#include <cmath>  // Required for: std::isnan(), INFINITY, NAN
#include <cstdint>
#include <cstring>

#include "math/hsv_color.h"
#include "math/float_bits.h"
#include "math/show_math.h"
#include "raylib.h"  // Required for: ColorFromHSV()

namespace {

// Same float, bit for bit: tells 0 from −0
#define EXPECT_SAME_FLOAT(expected, actual) EXPECT_EQ(bitsOf(expected), bitsOf(actual)) << (expected) << " vs " << (actual)

constexpr float kInf = INFINITY;
constexpr float kMax = 0x1.fffffep127f;
constexpr float kTiny = 0x1p-149f;  // The smallest subnormal

struct OneCase {
    float x, expected;
};

struct TwoCase {
    float a, b, expected;
};

TEST(ShowMath, SinNearMultiplesOfHalfPiHugeArgumentsAndZeros) {
    const OneCase cases[] = {
        // Nearest pi/2, pi (the result is the float's distance from pi), 2 pi, 3 pi/2, and pi/4
        {0x1.921fb6p+0f, 1.0f}, {0x1.921fb6p+1f, -0x1.777a5cp-24f}, {0x1.921fb6p+2f, 0x1.777a5cp-23f},
        {0x1.2d97c8p+2f, -1.0f}, {0x1.921fb6p-1f, 0x1.6a09e6p-1f},
        {100.0f, -0x1.03425cp-1f}, {-100.0f, 0x1.03425cp-1f}, {1e6f, -0x1.6664b2p-2f},
        {0x1.f37c8ap+95f, 1.0f},  // 16367173 * 2^72, extremely close to an odd multiple of pi/2
        {0.0f, 0.0f}, {-0.0f, -0.0f}, {kTiny, kTiny}, {-0x1p-130f, -0x1p-130f},  // Zeros and subnormals
        {1e22f, -0x1.77d988p-1f}, {0x1.4555p+51f, -0x1.b0ea44p-1f}, {kMax, -0x1.0b3366p-1f}, {-kMax, 0x1.0b3366p-1f},
    };
    for (const OneCase& c : cases) EXPECT_SAME_FLOAT(c.expected, showSin(c.x)) << "sin " << c.x;
}

TEST(ShowMath, CosNearMultiplesOfHalfPiAndHugeArguments) {
    const OneCase cases[] = {
        {0x1.921fb6p+0f, -0x1.777a5cp-25f}, {0x1.921fb6p+1f, -1.0f}, {0x1.2d97c8p+2f, 0x1.99bc5cp-27f},
        {0x1.921fb6p-1f, 0x1.6a09e6p-1f}, {0.0f, 1.0f}, {-kTiny, 1.0f},
        {0x1.fffffep+19f, 0x1.ecdaf4p-1f}, {0x1p+20f, 0x1.e33adap-1f},  // Both sides of the switch of reduction
        {-1e6f, 0x1.df9dfap-1f},
        {0x1.f37c8ap+95f, -0x1.bbdd52p-30f},  // The result is tiny: every bit of the reduction counts
        {1e22f, 0x1.5badeep-1f}, {0x1p+100f, 0x1.f4eb40p-2f}, {0x1.c363ccp+127f, -0x1.efeaf8p-2f},
    };
    for (const OneCase& c : cases) EXPECT_SAME_FLOAT(c.expected, showCos(c.x)) << "cos " << c.x;
}

// The array functions against one call per value, with every kind of lane next to every other in
// a pair (tiny, the unreduced range and its edge, all four quadrants of both signs, the far range,
// zeros, NaN and infinities) and an odd count, so that the last value goes alone
TEST(ShowMath, ArraysGiveTheBitsOfOneCallPerValue) {
    const float values[] = {0.0f,          -0.0f,         kTiny,       0x1p-13f,    -0x1p-12f,   0.5f,
                            0.78499997f,   -0.785f,       0x1.921fb6p+0f, 2.0f,     -2.5f,       0x1.921fb6p+1f,
                            4.0f,          -4.5f,         5.5f,        -100.0f,     300.25f,     0x1.fffffep+19f,
                            0x1p+20f,      -1e22f,        kMax,        kInf,        -kInf,       NAN,
                            0x1.2d97c8p+2f};
    constexpr int kCount = (int)(sizeof values / sizeof values[0]);
    static_assert(kCount % 2 == 1, "an odd count also covers the single last value");
    // Each value once in the first lane of a pair and once in the second
    for (int shift = 0; shift < 2; ++shift) {
        float x[kCount + 1];
        for (int i = 0; i < kCount; ++i) x[i + shift] = values[i];
        if (shift == 1) x[0] = 1.0f;
        const int n = kCount + shift;
        float sines[kCount + 1], cosines[kCount + 1], sines2[kCount + 1], cosines2[kCount + 1];
        showSinArray(x, sines, n);
        showCosArray(x, cosines, n);
        showSinCosArray(x, sines2, cosines2, n);
        for (int i = 0; i < n; ++i) {
            EXPECT_SAME_FLOAT(showSin(x[i]), sines[i]) << "sin " << x[i];
            EXPECT_SAME_FLOAT(showCos(x[i]), cosines[i]) << "cos " << x[i];
            EXPECT_SAME_FLOAT(showSin(x[i]), sines2[i]) << "sincos " << x[i];
            EXPECT_SAME_FLOAT(showCos(x[i]), cosines2[i]) << "sincos " << x[i];
        }
    }
}

TEST(ShowMath, ExpAcrossItsRangeAndAtTheEdges) {
    const OneCase cases[] = {
        {0.0f, 1.0f}, {-0.0f, 1.0f}, {kTiny, 1.0f}, {1.0f, 0x1.5bf0a8p+1f}, {0x1.000002p+0f, 0x1.5bf0acp+1f},
        {-1.0f, 0x1.78b564p-2f}, {0.5f, 0x1.a61298p+0f}, {10.0f, 0x1.5829dcp+14f}, {-87.0f, 0x1.666d0ep-126f},
        {0x1.62e42ep+6f, 0x1.ffff08p+127f},  // The largest argument with a finite result
        {0x1.62e430p+6f, kInf},
        {-103.0f, kTiny},  // 1.33 * 2^-149: subnormal results round once
        {-104.0f, 0.0f},   // Below half the smallest subnormal
        {kInf, kInf}, {-kInf, 0.0f},
    };
    for (const OneCase& c : cases) EXPECT_SAME_FLOAT(c.expected, showExp(c.x)) << "exp " << c.x;
    EXPECT_TRUE(std::isnan(showExp(NAN)));
}

TEST(ShowMath, PowNearOneWithLargeExponents) {
    const TwoCase cases[] = {
        {0x1.000002p+0f, 0x1p+23f, 0x1.5bf0a8p+1f},  // (1 + 2^-23)^(2^23), close to e
        {0x1.fffffep-1f, 0x1p+24f, 0x1.78b562p-2f},  // (1 - 2^-24)^(2^24), close to 1/e
        {0x1.000002p+0f, -1e7f, 0x1.36df0ep-2f}, {0x1.fffffep-1f, -1e9f, 0x1.fcee7ep+85f},
        {1.5f, 150.0f, 0x1.acdd16p+87f}, {0.75f, 300.0f, 0x1.673a00p-125f},
        {3.0f, 80.5f, 0x1.813464p+127f},  // Just below the largest float
        {2.5f, -60.25f, 0x1.4727c8p-80f}, {10.0f, 0.5f, 0x1.94c584p+1f},
    };
    for (const TwoCase& c : cases) EXPECT_SAME_FLOAT(c.expected, showPow(c.a, c.b)) << "pow " << c.a << ", " << c.b;
}

TEST(ShowMath, PowExactPowersOverflowUnderflowAndSigns) {
    const TwoCase cases[] = {
        {2.0f, 127.0f, 0x1p127f}, {2.0f, 128.0f, kInf}, {2.0f, -149.0f, kTiny},
        {2.0f, -150.0f, 0.0f},  // Exactly half the smallest subnormal: ties to even, 0
        {0.5f, 149.5f, kTiny},  // 0.707 * 2^-149 rounds up
        {kTiny, 1.0f, kTiny}, {kTiny, 0.5f, 0x1.6a09e6p-75f},  // A subnormal base
        {-2.0f, 3.0f, -8.0f}, {-2.0f, 4.0f, 16.0f}, {-2.0f, -1.0f, -0.5f},
        // Zeros and infinities: an odd integer exponent keeps the sign
        {-0.0f, -1.0f, -kInf}, {-0.0f, -2.0f, kInf}, {-0.0f, 3.0f, -0.0f}, {-0.0f, 0.5f, 0.0f}, {0.0f, -0.5f, kInf},
        {-kInf, 3.0f, -kInf}, {-kInf, -3.0f, -0.0f}, {-kInf, 2.0f, kInf}, {kInf, -0.5f, 0.0f},
        {0.5f, kInf, 0.0f}, {0.5f, -kInf, kInf}, {-1.0f, kInf, 1.0f},
        {1.0f, NAN, 1.0f}, {NAN, 0.0f, 1.0f}, {NAN, -0.0f, 1.0f},  // 1^y and x^0 are 1 even for NaN
    };
    for (const TwoCase& c : cases) EXPECT_SAME_FLOAT(c.expected, showPow(c.a, c.b)) << "pow " << c.a << ", " << c.b;
    EXPECT_TRUE(std::isnan(showPow(-8.0f, 1.0f / 3.0f)));  // A negative base to a fraction
    EXPECT_TRUE(std::isnan(showPow(NAN, 1.0f)));
    EXPECT_TRUE(std::isnan(showPow(2.0f, NAN)));
}

TEST(ShowMath, Atan2OnTheAxesWithSignedZerosAndInfinities) {
    const float pi = 0x1.921fb6p+1f;
    const float halfPi = 0x1.921fb6p+0f;
    const float quarterPi = 0x1.921fb6p-1f;
    const float threeQuarterPi = 0x1.2d97c8p+1f;
    const TwoCase cases[] = {
        // {y, x, atan2(y, x)}
        {0.0f, 1.0f, 0.0f},     {-0.0f, 1.0f, -0.0f},   {0.0f, -1.0f, pi},      {-0.0f, -1.0f, -pi},
        {0.0f, 0.0f, 0.0f},     {-0.0f, 0.0f, -0.0f},   {0.0f, -0.0f, pi},      {-0.0f, -0.0f, -pi},
        {1.0f, 0.0f, halfPi},   {1.0f, -0.0f, halfPi},  {-1.0f, 0.0f, -halfPi}, {-1.0f, -0.0f, -halfPi},
        {kInf, kInf, quarterPi}, {kInf, -kInf, threeQuarterPi}, {-kInf, kInf, -quarterPi},
        {-kInf, -kInf, -threeQuarterPi}, {kInf, 5.0f, halfPi}, {-kInf, -5.0f, -halfPi},
        {5.0f, kInf, 0.0f},     {-5.0f, kInf, -0.0f},   {5.0f, -kInf, pi},      {-5.0f, -kInf, -pi},
        {1.0f, 1.0f, quarterPi}, {1.0f, -1.0f, threeQuarterPi},
        {3.0f, 4.0f, 0x1.4978fap-1f},
        {-2.0f, -7.5f, -0x1.70c44ap+1f},
        {-0x1.0624dep-10f, -1.0f, -0x1.91fef0p+1f},  // Just below the negative x axis
        {1.0f, 0x1.ad7f2ap-24f, 0x1.921fb4p+0f},       // Just right of the positive y axis
        {kTiny, kMax, 0.0f},                            // 2^-277 rounds to 0
        {0x1.b38fb8p-127f, -0x1.2ced32p+126f, pi},
    };
    for (const TwoCase& c : cases) EXPECT_SAME_FLOAT(c.expected, showAtan2(c.a, c.b)) << "atan2 " << c.a << ", " << c.b;
    EXPECT_TRUE(std::isnan(showAtan2(NAN, 1.0f)));
    EXPECT_TRUE(std::isnan(showAtan2(1.0f, NAN)));
}

TEST(ShowMath, HypotExactCasesOverflowAndNonFiniteValues) {
    const TwoCase cases[] = {
        {3.0f, 4.0f, 5.0f}, {-3.0f, 4.0f, 5.0f}, {0.0f, -0.0f, 0.0f},
        {kTiny, kTiny, kTiny},             // sqrt(2) * 2^-149 rounds to 2^-149
        {1e38f, 1e38f, 0x1.a9930cp+126f},  // The squares overflow float, not double
        {kMax, kMax, kInf}, {kInf, NAN, kInf}, {NAN, -kInf, kInf},  // An infinity wins over a NaN
    };
    for (const TwoCase& c : cases) EXPECT_SAME_FLOAT(c.expected, showHypot(c.a, c.b)) << "hypot " << c.a << ", " << c.b;
    EXPECT_TRUE(std::isnan(showHypot(NAN, 1.0f)));
}

// Which NaN an operation on NaNs returns varies between processors, compilers and WebAssembly;
// ours always return the one quiet NaN, whatever NaNs come in.
TEST(ShowMath, EveryNanResultIsTheSameQuietNan) {
    float payloadNan, negativeNan;
    const uint32_t payloadBits = 0x7FC12345u, negativeBits = 0xFFA00001u;  // The second is signalling
    memcpy(&payloadNan, &payloadBits, sizeof payloadNan);
    memcpy(&negativeNan, &negativeBits, sizeof negativeNan);
    const float results[] = {showSin(payloadNan),          showSin(-kInf),
                             showCos(negativeNan),         showCos(kInf),
                             showExp(negativeNan),         showPow(-8.0f, 0.5f),
                             showPow(payloadNan, negativeNan), showAtan2(negativeNan, payloadNan),
                             showAtan2(1.0f, negativeNan), showHypot(payloadNan, negativeNan)};
    for (float r : results) EXPECT_EQ(0x7FC00000u, bitsOf(r));
}

// Our HSV colours repeat raylib's over the whole hue circle and its range of saturation and value,
// and clamp values past 1 instead of letting the byte overflow.
TEST(ShowMath, HsvColourMatchesRaylibInRangeAndClampsOutside) {
    for (int h = -360; h <= 720; h += 7) {
        for (float s : {0.0f, 0.2f, 0.65f, 0.78f, 1.0f}) {
            for (float v : {0.0f, 0.06f, 0.5f, 0.96f, 1.0f}) {
                const Color ours = showColorFromHsv((float)h + 0.25f, s, v);
                const Color theirs = ColorFromHSV((float)h + 0.25f, s, v);
                ASSERT_TRUE(ours.r == theirs.r && ours.g == theirs.g && ours.b == theirs.b && ours.a == 255)
                    << h << " " << s << " " << v;
            }
        }
    }
    EXPECT_EQ(showColorFromHsv(0.0f, 0.5f, 2.0f).r, 255);  // Red at value 2: 510 and 255 clamped
    EXPECT_EQ(showColorFromHsv(0.0f, 0.5f, 2.0f).g, 255);
    EXPECT_EQ(showColorFromHsv(120.0f, 1.0f, -0.5f).g, 0);
}

}  // namespace
