#include <gtest/gtest.h>

#include "scenes/ramps.h"
#include "scenes/scene.h"
#include "scenes/scene_math.h"

#include <cmath>
#include <cstring>

TEST(RampGlyph, WorkedValues) {
    EXPECT_EQ(rampGlyph(RampStyle::Dense, 1.0f), (uint32_t)'@');
    EXPECT_EQ(rampGlyph(RampStyle::Dense, 0.999f), (uint32_t)'&');
    EXPECT_EQ(rampGlyph(RampStyle::Block, 0.5f), 0x2592u);
    EXPECT_EQ(rampGlyph(RampStyle::Ring, 0.2f), (uint32_t)'.');
    EXPECT_EQ(rampGlyph(7, 1.0f), (uint32_t)'@');
    EXPECT_EQ(rampGlyph(-1, 0.5f), (uint32_t)'=');  // Classic index floor(4.5) = 4
}

TEST(RampGlyph, OutOfRangeIntensitiesClampToTheEnds) {
    for (int style = 0; style < 4; ++style) {
        const CharRamp r = charRamp((RampStyle)style);
        EXPECT_EQ(rampGlyph(style, -3.0f), 32u);
        EXPECT_EQ(rampGlyph(style, 0.0f), 32u);
        EXPECT_EQ(rampGlyph(style, 42.0f), r.codepoints[r.length - 1]);
        EXPECT_EQ(r.codepoints[0], 32u) << "every ramp starts with a space";
    }
    EXPECT_EQ(charRamp(RampStyle::Dense).length, 23);
    EXPECT_EQ(charRamp(RampStyle::Classic).length, 10);
    EXPECT_EQ(charRamp(RampStyle::Block).length, 5);
    EXPECT_EQ(charRamp(RampStyle::Ring).length, 6);
}

TEST(RampGlyph, NaNAndInfinitiesStayInsideTheRamp) {
    for (int style = -1; style < 5; ++style) {
        const CharRamp r = charRamp((style >= 0 && style <= 3) ? (RampStyle)style : RampStyle::Classic);
        EXPECT_EQ(rampGlyph(style, NAN), 32u) << style;
        EXPECT_EQ(rampGlyph(style, -NAN), 32u) << style;
        EXPECT_EQ(rampGlyph(style, -INFINITY), 32u) << style;
        EXPECT_EQ(rampGlyph(style, INFINITY), r.codepoints[r.length - 1]) << style;
        EXPECT_EQ(rampGlyph(style, powf(-0.5f, 1.15f)), 32u) << "a power of a negative base is NaN";
    }
}

TEST(TableIndex, FloorClampedWithNaNAsZero) {
    struct Case {
        float v;
        int last, want;
    };
    const Case cases[] = {{0.0f, 9, 0},   {0.99f, 9, 0},      {1.0f, 9, 1},       {8.999f, 9, 8},
                          {9.0f, 9, 9},   {1e30f, 9, 9},      {INFINITY, 4, 4},   {-0.5f, 9, 0},
                          {-1e30f, 9, 0}, {-INFINITY, 4, 0},  {NAN, 9, 0},        {-NAN, 22, 0},
                          {3.7f, 0, 0},   {2.5f, 22, 2},      {21.978f, 22, 21},  {-0.0f, 5, 0}};
    for (const Case& c : cases) EXPECT_EQ(tableIndex(c.v, c.last), c.want) << c.v << " of " << c.last;
}

TEST(SceneTable, ElevenScenesInShowOrder) {
    const SceneTable table = sceneTable();
    ASSERT_EQ(table.count, 11);
    const char* expected[] = {"intro_boot", "wave_scroll", "plasma_storm", "cellular", "dual_fluid", "goo_bounce",
                              "julia_blast", "mandelbrot", "cube", "starfield_warp", "end_credits"};
    for (int i = 0; i < 11; ++i) {
        EXPECT_STREQ(table.rows[i].name, expected[i]);
        EXPECT_NE(table.rows[i].render, nullptr);
    }
    EXPECT_EQ(table.rows[8].hintA, 2);
    EXPECT_EQ(table.rows[8].hintB, 1);
    EXPECT_EQ(findScene("cube"), &table.rows[8]);
    EXPECT_EQ(findScene("cub"), nullptr) << "names compare as whole strings";
    EXPECT_EQ(findScene(nullptr), nullptr);
}

TEST(Hash32, KnownValuesAndUnitRange) {
    EXPECT_EQ(hash32(0u), 0u);
    // Reference value worked by hand through the five mixing steps
    uint32_t x = 1u;
    x ^= x >> 16; x *= 0x7FEB352Du; x ^= x >> 15; x *= 0x846CA68Bu; x ^= x >> 16;
    EXPECT_EQ(hash32(1u), x);
    for (uint32_t k = 0; k < 1000; ++k) {
        const float u = unit(k * 2654435761u);
        EXPECT_GE(u, 0.0f);
        EXPECT_LT(u, 1.0f);
    }
}
