#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "math/show_math.h"
#include "scenes/scene_math.h"
#include "scenes/scenes.h"
#include "tests/scenes/scene_harness.h"

namespace {

using scene_harness::allCellsAre;
using scene_harness::SceneGrid;

constexpr Color kColdBackground = {4, 2, 44, 255};

// The background shows the level alone, with no flicker or time in it
std::vector<Color> backgrounds(const AsciiFramebuffer& fb) {
    std::vector<Color> out;
    for (const Cell& c : fb.cells) out.push_back(c.bg);
    return out;
}

// The automaton written straight from its formulas, one cell at a time; every index wraps
struct Reference {
    int w = 0, h = 0, dampedSteps = 0;
    float lastTime = 0.0f, acc = 0.0f;
    uint32_t counter = 0;
    std::vector<float> lv;

    float& at(std::vector<float>& v, int x, int y) { return v[(size_t)((y % h + h) % h) * w + (x % w + w) % w]; }
    void start(int cols, int rows, float t) {
        w = cols, h = rows, lastTime = t, acc = 0.0f, counter = 0;
        lv.assign((size_t)w * h, 0.0f);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const uint32_t k = hash32(((uint32_t)y * 19349663u) ^ ((uint32_t)x * 73856093u) ^ 0xC0DEC0DEu);
                const float v = (k & 0x3FFu) / 1023.0f;
                at(lv, x, y) = v > 0.8f ? 0.6f * v + 0.4f : 0.0f;
            }
    }
    void resize(int cols, int rows) {
        Reference old = *this;
        w = cols, h = rows;
        lv.assign((size_t)w * h, 0.0f);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                at(lv, x, y) = old.at(old.lv, std::min((int)floorf((x + 0.5f) / w * old.w), old.w - 1),
                                      std::min((int)floorf((y + 0.5f) / h * old.h), old.h - 1));
            }
    }
    void step(float t, float bass, float treble) {
        const uint32_t stepSeed = ++counter * 0x9E3779B1u;
        std::vector<float> next(lv.size());
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                float sum = 0.0f;
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx) sum += at(lv, x + dx, y + dy);
                const float a = showCos(0.07f * x) + (1.25f * t + 1.1f * showSin(0.08f * y));
                const float adv = at(lv, x - (showSin(a) > 0 ? 1 : -1), y - (showCos(0.9f * a) > 0 ? 1 : -1));
                const uint32_t k = hash32(((uint32_t)x * 92837111u) ^ stepSeed ^ ((uint32_t)y * 36447981u));
                const float gate = showSin((treble * 8 + 5.4f) * t + 0.19f * x + 0.14f * y) * 0.5f + 0.5f;
                const bool spark = (int)(k & 0x3FF) < (int)(bass * 10 + 3 + treble * 14) && gate > 0.62f - 0.18f * bass;
                const float decay = ((float)y / h) * 0.02f + 0.035f;
                at(next, x, y) = clamp(at(lv, x, y) * 0.7f + sum / 9 * 0.28f + adv * 0.18f + spark * 0.95f - decay +
                                           showSin(0.17f * x + 3.2f * t) * 0.06f, 0.0f, 1.0f);
            }
        lv = next;
        float total = 0.0f, hot = 0.0f;
        for (float v : lv) total += v, hot += v > 0.48f;
        const float excess = std::max({hot / lv.size() - 0.57f, total / lv.size() - 0.46f, 0.0f});
        if (excess > 0) {
            dampedSteps += 1;
            for (float& v : lv) v *= clamp(1 - 0.42f * excess, 0.72f, 0.99f);
        }
    }
    void frame(AsciiFramebuffer& fb, float t, const AudioFeatures& audio) {
        if (lastTime > t) start(fb.cols, fb.rows, t);
        else if (w != fb.cols || h != fb.rows) resize(fb.cols, fb.rows);
        acc += clamp(t - lastTime, 0.0f, 0.25f);
        lastTime = t;
        for (; acc >= 0.0625f; acc -= 0.0625f) step(t, audio.valid ? audio.bass : 0, audio.valid ? audio.treble : 0);
        const uint32_t own[] = {' ', '.', ':', ';', 'i', 'x', 'X', '#', '%', '@'};
        const uint32_t block[] = {0x20, 0x2591, 0x2592, 0x2593, 0x2588};
        const int top = fb.blockGlyphs ? 4 : 9;
        auto byte = [](float v) { return (unsigned char)clamp((float)(int)v, 0.0f, 255.0f); };
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const float v = at(lv, x, y), f = showSin(0.1f * x + 4 * t + 0.15f * y) * 0.28f + 0.72f;
                const int glyph = (int)clamp(floorf(v * top + 0.6f * f), 0.0f, (float)top);
                const float k = clamp((v - 0.35f) / 0.65f, 0.0f, 1.0f);
                const float r0 = byte(k * 200 + 55 + v * 40), g0 = byte(k * 160 + 20 + (1 - k) * 60);
                const float b0 = byte(showSin(0.08f * x + 2.5f * t) * 26 + (1 - k) * 120 + 10);
                fb.setCell(x, y, fb.blockGlyphs ? block[glyph] : own[glyph],
                           Color{byte(r0 * f), byte(g0 * f), byte(b0 * f), 255},
                           Color{byte(25 * v + 4), byte(18 * v + 2), byte(36 * (1 - k) + 8), 255});
            }
    }
};

using SideBySide = scene_harness::SideBySide<Reference>;

}  // namespace

TEST(CellularSeed, FirstFrameShowsTheSeedPattern) {
    SceneGrid g(cellular, 120, 42);
    g.freshStart(0.0f);
    const std::vector<Color> seed = backgrounds(g.fb);
    EXPECT_EQ(std::count_if(seed.begin(), seed.end(), [](Color c) { return c != kColdBackground; }), 1032);
    // Cell (0, 0) has the 10-bit hash 609 and starts cold; (0, 1) has 985, level 0.97771, and with
    // flicker 0.7618 shows the densest glyph in orange
    EXPECT_EQ(g.fb.at(0, 0), (Cell{32, g.fb.at(0, 0).fg, kColdBackground}));
    EXPECT_EQ(g.fb.at(0, 1), (Cell{'@', {194, 134, 10, 255}, {28, 19, 9, 255}}));
    // Row 0's first hot cells are columns 14, 15, 18 and 20
    for (int x : {13, 14, 15, 16, 18}) EXPECT_EQ(g.fb.at(x, 0).bg != kColdBackground, x != 13 && x != 16) << x;

    // The pattern depends on the cell coordinates only, not on when the seeding happens
    g.fb.blockGlyphs = true;
    g.freshStart(7.3f);
    EXPECT_EQ(backgrounds(g.fb), seed);
    EXPECT_EQ(g.fb.at(0, 1).codepoint, 0x2588u) << "the block ramp's top glyph";
    g.render(7.3f + 0.06f);  // Less than one step
    EXPECT_EQ(backgrounds(g.fb), seed);
}

TEST(CellularTiming, OneSecondGapSimulatesOnlyAQuarterSecond) {
    SideBySide run(cellular, 120, 42, 5.0f);
    run.frame(6.0f, scene_harness::scriptedAudio(6.0f));
    EXPECT_EQ(run.ref.counter, 4u);
    run.frame(6.04f);
    EXPECT_EQ(run.ref.counter, 4u) << "the rest of the gap is dropped";
    EXPECT_EQ(run.mismatches, 0);
}

TEST(CellularGrid, BelowMinimumSizeLeavesGridAndStateUntouched) {
    SideBySide run(cellular, 120, 42, 0.0f);
    run.frame(0.5f);
    // An earlier time or another size would reach the state, had these frames got through
    SceneGrid narrow(cellular, 7, 42), flat(cellular, 120, 7), smallest(cellular, 8, 8);
    narrow.render(0.1f);
    flat.render(0.2f);
    EXPECT_TRUE(allCellsAre(narrow.fb, Cell{}));
    EXPECT_TRUE(allCellsAre(flat.fb, Cell{}));
    run.frame(0.7f);
    EXPECT_EQ(run.mismatches, 0);
    smallest.render(1.0f);
    EXPECT_FALSE(allCellsAre(smallest.fb, Cell{})) << "8 x 8 is large enough";
}

TEST(CellularReference, MatchesThePlainFormulasCellForCell) {
    SideBySide run(cellular, 120, 42, 0.0f);
    // Loud music (sparks everywhere, so the damping acts), a long gap, grid changes, block glyphs,
    // silence, and a jump back in time
    const AudioFeatures loud = scene_harness::audioLevels(1.0f, 0.5f, 1.0f, 1.0f);
    float t = 0.0f;
    for (; t < 4.0f; t += 0.05f) run.frame(t, loud);
    t += 1.0f;
    run.regrid(173, 60, true);
    for (int i = 0; i < 20; ++i, t += 1.0f / 60.0f) run.frame(t, scene_harness::scriptedAudio(t));
    for (int i = 0; i < 10; ++i, t += 0.1f) run.frame(t);
    run.regrid(97, 33);
    for (int i = 0; i < 10; ++i, t += 0.1f) run.frame(t, scene_harness::scriptedAudio(t));
    for (t = 1.5f; t < 2.0f; t += 0.1f) run.frame(t, scene_harness::scriptedAudio(t));
    EXPECT_EQ(run.mismatches, 0) << "over " << run.frames << " frames";
    EXPECT_GT(run.ref.dampedSteps, 0) << "the run should reach the damping";
}

TEST(CellularDeterminism, StoredHash) {
    SceneGrid(cellular, 120, 42).render(1000.0f);  // Whatever ran before, the run starts from a seeding
    const uint64_t value = scene_harness::determinismHash(cellular);
    EXPECT_EQ(value, 10571728195876561710ull) << "actual " << value;
}
