// Worked cells of the scenes that fill the grid from a field: plasma, automaton, fluid, fractals, stars.

#include "scene_harness.h"
#include "scenes/mandelbrot.h"
#include "scenes/starfield_warp.h"

namespace {

using namespace scene_harness;

// Steps of the fractal's float iteration from z = 0 until |z|^2 > 4, at most `limit`
int escapeCount(float cRe, float cIm, int limit) {
    float zr = 0.0f, zi = 0.0f, re;
    int n = 0;
    for (; n < limit && zr * zr + zi * zi <= 4.0f; n++) re = zr * zr - zi * zi + cRe, zi = 2.0f * zr * zi + cIm, zr = re;
    return n;
}

}  // namespace

TEST(PlasmaStorm, SilentWorkedCellsAtTimeZero) {
    SceneGrid g(plasma_storm), blocks(plasma_storm, 120, 42, true), odd(plasma_storm, 121, 43);
    // Corner (0, 0): c = 0.9318, showPow(c, 1.15) * 22 = 20.3 -> "B"; hue 102.5 + 60 * sqrt(2) = 187.3
    // at value 0.8045; background hue 215.3, saturation 0.297, value 0.12 * c + 0.05
    EXPECT_EQ(g.render(0.0f).at(0, 0), (Cell{'B', {69, 188, 205, 255}, {29, 34, 41, 255}}));
    EXPECT_EQ(g.at(119, 41).codepoint, (uint32_t)'i');  // c = 0.306
    EXPECT_TRUE(blocks.render(0.0f).at(0, 0).codepoint == 0x2593u && blocks.at(119, 41).codepoint == 0x2591u);
    // Centre of an odd grid: radius 1e-6, angle 0, only s3 = 0.24 is left: c = 0.62 -> "3", hue 68.2
    EXPECT_EQ(odd.render(0.0f).at(60, 21).codepoint, (uint32_t)'3');
    EXPECT_EQ(odd.at(60, 21).fg, (Color{149, 163, 55, 255}));
}

TEST(Cellular, FirstFrameShowsTheSeedPatternWhenever) {
    const Color cold = {4, 2, 44, 255};
    auto backgrounds = [](const SceneGrid& g) {
        std::vector<Color> bg;
        for (const Cell& c : g.fb.cells) bg.push_back(c.bg);
        return bg;
    };
    SceneGrid g(cellular), blocks(cellular, 120, 42, true);
    const std::vector<Color> seed = backgrounds(g.freshStart(0.0f));
    EXPECT_EQ(std::count_if(seed.begin(), seed.end(), [&](Color c) { return c != cold; }), 1032);
    // Cell (0, 0) has the 10-bit hash 609 and starts cold; (0, 1) has 985, level 0.97771, and with
    // flicker 0.7618 shows the densest glyph in orange
    EXPECT_TRUE(g.at(0, 0).bg == cold && g.at(14, 0).bg != cold);
    EXPECT_EQ(g.at(0, 1), (Cell{'@', {194, 134, 10, 255}, {28, 19, 9, 255}}));
    // The background shows the levels alone: less than one step (1/16 s) later it has not moved
    EXPECT_EQ(backgrounds(g.render(0.06f)), seed);
    EXPECT_NE(backgrounds(g.render(0.07f)), seed);
    // The pattern depends on the cells only, not on when the seeding happens
    EXPECT_TRUE(backgrounds(blocks.freshStart(7.3f)) == seed && blocks.at(0, 1).codepoint == 0x2588u);
}

TEST(DualFluid, FirstStepInSilenceAddsJetsThatSwingInOppositePhase) {
    const Cell empty = {32, Color{22, 93, 140, 255}, Color{12, 30, 51, 255}};
    SceneGrid g(dual_fluid);
    EXPECT_TRUE(allCellsAre(g.freshStart(0.0f).fb, empty)) << "a reset shows still, empty fluid";
    EXPECT_TRUE(allCellsAre(g.render(0.02f).fb, empty)) << "less than one step (1/30 s)";
    g.render(0.04f);
    // A diamond of dye 0.28 at its centre: '.' where it passes 0.28 * 5/9, the middle five rows
    EXPECT_TRUE(g.at(20, 23).codepoint == '.' && g.at(20, 24).codepoint == ' ');
    EXPECT_TRUE(g.at(20, 21).fg.b > g.at(20, 21).fg.r && g.at(100, 21).fg.r > g.at(100, 21).fg.b) << "blue, orange";
    // One step at phase pi/2: jet A is lowest (centre row 29), jet B highest (row 13)
    const float t = 3.14159265f / 2.0f / 1.2f;
    g.freshStart(t - 0.05f).render(t);
    EXPECT_TRUE(g.at(20, 31).codepoint == '.' && g.at(20, 32).codepoint == ' ');
    EXPECT_TRUE(g.at(100, 11).codepoint == '.' && g.at(100, 10).codepoint == ' ');
}

TEST(JuliaBlast, CornerEscapesAtOnceAndTheSpokesTrailAndWrap) {
    constexpr Color kLogo = {245, 235, 180, 255}, kNumber = {255, 180, 140, 255}, kTextBg = {8, 10, 15, 255};
    SceneGrid g(julia_blast);
    auto count = [&g](char ch, Color fg) {  // Cells of one spoke character
        return std::count(g.fb.cells.begin(), g.fb.cells.end(), Cell{(uint32_t)ch, fg, kTextBg});
    };
    // t = 0 in silence: the corner escapes at n = 0: hue 210, value 0.18, background value 0.0906
    EXPECT_EQ(g.render(0.0f).at(0, 0), (Cell{' ', {16, 31, 45, 255}, {16, 17, 23, 255}}));
    EXPECT_EQ(g.at(60, 21), (Cell{'6', kNumber, kTextBg})) << "both heads in the centre, 67 drawn last";
    EXPECT_EQ(count('V', kLogo), 0);
    g.render(0.1f);  // The VX26 head at 1.15, below the spacing 1.25: only the V is out
    EXPECT_TRUE(count('V', kLogo) > 0 && count('X', kLogo) == 0);
    EXPECT_GT((g.render(0.5f), count('6', kLogo)), 0) << "head 5.75: all four characters out";
    g.render(11.5f);  // Path 120 + 12 = 132: the head has wrapped to 0.25
    EXPECT_TRUE(g.at(60, 21) == (Cell{'V', kLogo, kTextBg}) && count('X', kLogo) == 0);
}

TEST(Mandelbrot, InsideTheSetGreenWrapsBlueKeepsAndRedFollowsTheColumn) {
    // At t = 0 the view's centre lies deep in the main cardioid: f = 1, the densest glyph, g = 240
    // + 48 treble + 24 mid, b = 90 + 48 bass as bytes, r = sin(0.05 x) * 110 + 100 truncated
    AsciiFramebuffer fb(173, 60, 10, 18, FramebufferBacking::CellsOnly);
    BeatInfo beat = beatAt(0.0f);
    beat.beatPhase = 0.5f;
    const Color bg = {200, 1, 77, 9};  // Every cell's background is the argument
    auto render = [&](const AudioFeatures& audio) { return mandelbrot(fb, 0.0f, bg, &beat, &audio), fb.at(86, 30); };
    EXPECT_EQ(render(audioLevels(1.0f, 1.0f, 1.0f, 1.0f, false)), (Cell{'@', {0, 240, 90, 255}, bg}));
    EXPECT_EQ(render(audioLevels(1.0f, 1.0f, 1.0f, 0.0f)).fg, (Color{0, 56, 138, 255}));  // g = 312 wraps to 56
    EXPECT_EQ(fb.at(0, 30).fg.r, 100);
    EXPECT_EQ(fb.at(94, 30).fg.r, 247);  // -9.99 is truncated to -9 and stored as 247
    fb.blockGlyphs = true;
    EXPECT_EQ(render(AudioFeatures{}).codepoint, 0x2588u);
}

TEST(Mandelbrot, PointsTheShortcutCallsInsideNeverEscape) {
    constexpr int kSteps = 512;  // Four times what the scene asks for
    int inside = 0;
    for (int k = 0; k < 4000; k++) {  // Hugging both edges, either side of the shortcut's bound 0.98
        const double a = 6.283185307179586 * k / 4000.0;
        for (double size : {0.979, 0.981, 1.0}) {
            const double re = size * cos(a), im = size * sin(a);
            const float edges[2][2] = {{(float)(re / 2 - (re * re - im * im) / 4), (float)(im / 2 - re * im / 2)},
                                       {(float)(-1.0 + re / 4), (float)(im / 4)}};  // c = mu/2 - mu^2/4, -1 + mu/4
            for (const auto& c : edges) {
                if (!insideMainBulbs(c[0], c[1])) continue;
                ASSERT_EQ(escapeCount(c[0], c[1], kSteps), kSteps) << c[0] << "," << c[1];
                ++inside;
            }
        }
    }
    EXPECT_EQ(inside, 4000 * 2) << "every point within 0.98 of either region, and only those";
    EXPECT_TRUE(insideMainBulbs(-1.0f, 0.1f) && !insideMainBulbs(-0.75f, 0.0f)) << "not where cardioid and bulb touch";
}

TEST(StarfieldWarp, LayerSizesAndStarKeys) {
    const struct { int cols, rows, sizes[3]; } kLayers[] = {
        {40, 20, {120, 80, 60}}, {120, 42, {252, 168, 126}}, {59, 41, {120, 80, 60}}};  // 2419 cells still 120
    for (const auto& k : kLayers) {
        for (int L = 0; L < kStarLayers; ++L) EXPECT_EQ(starLayerSize(L, k.cols, k.rows), k.sizes[L]) << k.cols << " " << L;
    }
    // Star 2 of layer 1: key 100000 + 17 + 2 * 0x9E3779B1, wrapped to 32 bits
    const uint32_t key = 100017u + 2u * 0x9E3779B1u;
    const Star s = makeStar(1, 2, 120, 42);
    EXPECT_TRUE(s.x == unit(key) * 120.0f && s.y == unit(key ^ 0x9E3779B9u) * 42.0f && s.z == unit(key ^ 0x7F4A7C15u));
}
