// The glyph ramps, the table index and hash under every scene, and the table of scenes itself.
#include "scene_harness.h"
#include "scenes/ramps.h"

TEST(RampGlyph, RampsAsDesignedAndIntensitiesWithTheirEdges) {
    const std::u32string kRamps[] = {U" .,:;irsXA253hMHGS#9B&@", U" .:-=+*#%@", U" \u2591\u2592\u2593\u2588", U" .oO#@"};
    for (int style = 0; style < 4; ++style) {
        const CharRamp r = charRamp((RampStyle)style);
        EXPECT_EQ(std::u32string(r.codepoints, r.codepoints + r.length), kRamps[style]) << style;
    }
    const struct { int style; float v; uint32_t want; } kCases[] = {
        {0, 1.0f, '@'},      {0, 0.999f, '&'},      {2, 0.5f, 0x2592u},     {3, 0.2f, '.'},
        {7, 1.0f, '@'},      {-1, 0.5f, '='},       {0, 0.0f, ' '},         {1, -3.0f, ' '},
        {2, 42.0f, 0x2588u}, {3, INFINITY, '@'},    {5, INFINITY, '@'},     {0, -INFINITY, ' '},
        {1, NAN, ' '},       {2, -NAN, ' '},        {3, powf(-0.5f, 1.15f), ' '},  // A power of a negative base
    };
    for (const auto& k : kCases) EXPECT_EQ(rampGlyph(k.style, k.v), k.want) << k.style << " at " << k.v;
}

TEST(TableIndex, FloorClampedWithNaNAsZero) {
    const struct { float v; int last, want; } kCases[] = {
        {0.0f, 9, 0},      {0.99f, 9, 0},     {1.0f, 9, 1},  {8.999f, 9, 8},  {9.0f, 9, 9},   {1e30f, 9, 9},
        {INFINITY, 4, 4},  {-0.5f, 9, 0},     {-1e30f, 9, 0}, {-INFINITY, 4, 0}, {NAN, 9, 0},  {-NAN, 22, 0},
        {3.7f, 0, 0},      {2.5f, 22, 2},     {21.978f, 22, 21}, {22.0f, 22, 22}};
    for (const auto& c : kCases) EXPECT_EQ(tableIndex(c.v, c.last), c.want) << c.v << " of " << c.last;
}

TEST(SceneTable, ElevenScenesInShowOrderFoundByWholeName) {
    const SceneTable table = sceneTable();
    std::string names;
    for (int i = 0; i < table.count; ++i) names += std::string(table.rows[i].name) + (table.rows[i].render ? " " : "? ");
    EXPECT_EQ(names, "intro_boot wave_scroll plasma_storm cellular dual_fluid goo_bounce julia_blast mandelbrot cube "
                     "starfield_warp end_credits ");
    EXPECT_TRUE(table.rows[8].hintA == 2 && table.rows[8].hintB == 1 && findScene("cube") == &table.rows[8]);
    EXPECT_TRUE(!findScene("cub") && !findScene(nullptr)) << "names compare whole";
}

TEST(Hash32, WorkedValuesAndUnitRange) {
    EXPECT_TRUE(hash32(0u) == 0u && hash32(1u) == 0x688990C0u);
    EXPECT_EQ(hash32(0xC0DEC0DEu), 0xB2E57E61u);
    for (uint32_t k = 0; k < 1000; ++k) EXPECT_TRUE(unit(k * 2654435761u) >= 0.0f && unit(k * 2654435761u) < 1.0f);
}
