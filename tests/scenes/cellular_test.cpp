#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "scenes/scene_math.h"
#include "scenes/scenes.h"
#include "tests/scenes/scene_harness.h"

namespace {

constexpr Color kColdBackground = {4, 2, 44, 255};

struct Grid {
    AsciiFramebuffer fb;
    Grid(int cols, int rows) : fb(cols, rows, 10, 18, FramebufferBacking::CellsOnly) {}
    void render(float t, const AudioFeatures& audio = AudioFeatures{}) {
        const BeatInfo beat = scene_harness::beatAt(t);
        fb.clear(kSceneBackground);
        cellular(fb, t, kSceneBackground, &beat, &audio);
    }
    // The scene re-seeds when time runs backwards, whatever earlier tests left behind
    void freshStart(float t) {
        render(t + 1000.0f);
        render(t);
    }
    uint64_t hash() const { return scene_harness::hashCells(fb); }
    // The background shows the level alone, with no flicker or time in it
    std::vector<Color> backgrounds() const {
        std::vector<Color> out;
        for (const Cell& c : fb.cells) out.push_back(c.bg);
        return out;
    }
    int hotCells() const {
        int n = 0;
        for (const Cell& c : fb.cells) n += (c.bg != kColdBackground) ? 1 : 0;
        return n;
    }
};

bool allBlank(const AsciiFramebuffer& fb) {
    for (const Cell& c : fb.cells) {
        if (c != Cell{32, kDefaultGlyphColor, kSceneBackground}) return false;
    }
    return true;
}

//----------------------------------------------------------------------------------
// Reference: the automaton written straight from its formulas, one cell at a time
//----------------------------------------------------------------------------------
struct Reference {
    int w = 0, h = 0;
    float lastTime = 0.0f, acc = 0.0f;
    uint32_t counter = 0;
    std::vector<float> lv;
    int dampedSteps = 0;

    // Any x, y: the grid wraps at all four edges
    float& at(std::vector<float>& a, int x, int y) const {
        return a[(size_t)(((y % h) + h) % h) * w + ((x % w) + w) % w];
    }

    void seed(int cols, int rows, float t) {
        w = cols, h = rows, lastTime = t, acc = 0.0f, counter = 0;
        lv.assign((size_t)w * h, 0.0f);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const uint32_t k = hash32(((uint32_t)y * 19349663u) ^ ((uint32_t)x * 73856093u) ^ 0xC0DEC0DEu);
                const float v = (float)(k & 0x3FFu) / 1023.0f;
                at(lv, x, y) = v > 0.8f ? 0.6f * v + 0.4f : 0.0f;
            }
    }
    void resize(int cols, int rows) {
        std::vector<float> old = lv;
        const int oldW = w, oldH = h;
        w = cols, h = rows;
        lv.assign((size_t)w * h, 0.0f);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const int sx = (int)clamp(floorf(((float)x + 0.5f) / (float)w * (float)oldW), 0.0f, (float)(oldW - 1));
                const int sy = (int)clamp(floorf(((float)y + 0.5f) / (float)h * (float)oldH), 0.0f, (float)(oldH - 1));
                at(lv, x, y) = old[(size_t)sy * oldW + sx];
            }
    }
    void step(float t, float bass, float treble) {
        counter += 1;
        const uint32_t stepSeed = counter * 0x9E3779B1u;
        std::vector<float> next(lv.size());
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const float fx = (float)x, fy = (float)y;
                const float self = at(lv, x, y);
                float sum = 0.0f;
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx) sum += at(lv, x + dx, y + dy);
                const float avg = sum / 9.0f;
                const float a = cosf(0.07f * fx) + (1.25f * t + 1.1f * sinf(0.08f * fy));
                const int fdy = cosf(0.9f * a) > 0.0f ? 1 : -1;
                const int fdx = sinf(a) > 0.0f ? 1 : -1;
                const float adv = at(lv, x - fdx, y - fdy);
                const uint32_t k = hash32(((uint32_t)x * 92837111u) ^ stepSeed ^ ((uint32_t)y * 36447981u));
                const bool candidate = (int)(k & 0x3FFu) < (int)(bass * 10.0f + 3.0f + treble * 14.0f);
                const float gate = sinf((treble * 8.0f + 5.4f) * t + 0.19f * fx + 0.14f * fy) * 0.5f + 0.5f;
                const float spark = (candidate && gate > 0.62f - 0.18f * bass) ? 1.0f : 0.0f;
                const float decay = (fy / (float)h) * 0.02f + 0.035f;
                const float v = self * 0.7f + avg * 0.28f + adv * 0.18f + spark * 0.95f - decay +
                                sinf(0.17f * fx + 3.2f * t) * 0.06f;
                at(next, x, y) = clamp(v, 0.0f, 1.0f);
            }
        lv = next;
        float total = 0.0f;
        int hot = 0;
        for (float v : lv) total += v, hot += v > 0.48f ? 1 : 0;
        const float n = (float)lv.size();
        const float excess = std::max({(float)hot / n - 0.57f, total / n - 0.46f, 0.0f});
        if (excess > 0.0f) {
            dampedSteps += 1;
            for (float& v : lv) v *= clamp(1.0f - 0.42f * excess, 0.72f, 0.99f);
        }
    }
    void frame(AsciiFramebuffer& fb, float t, const AudioFeatures& audio) {
        if (lastTime > t) seed(fb.cols, fb.rows, t);
        else if (w != fb.cols || h != fb.rows) resize(fb.cols, fb.rows);
        acc += clamp(t - lastTime, 0.0f, 0.25f);
        lastTime = t;
        while (acc >= 0.0625f) {
            acc -= 0.0625f;
            step(t, audio.valid ? audio.bass : 0.0f, audio.valid ? audio.treble : 0.0f);
        }
        const uint32_t own[] = {' ', '.', ':', ';', 'i', 'x', 'X', '#', '%', '@'};
        const uint32_t block[] = {0x20, 0x2591, 0x2592, 0x2593, 0x2588};
        const int top = fb.blockGlyphs ? 4 : 9;
        auto byte = [](float v) { return (unsigned char)clamp((float)(int)v, 0.0f, 255.0f); };
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const float v = at(lv, x, y), fx = (float)x, fy = (float)y;
                const float f = sinf(0.1f * fx + 4.0f * t + 0.15f * fy) * 0.28f + 0.72f;
                const int glyph = (int)clamp(floorf(v * (float)top + 0.6f * f), 0.0f, (float)top);
                const float k = clamp((v - 0.35f) / 0.65f, 0.0f, 1.0f);
                const float r0 = byte(k * 200.0f + 55.0f + v * 40.0f);
                const float g0 = byte(k * 160.0f + 20.0f + (1.0f - k) * 60.0f);
                const float b0 = byte(sinf(0.08f * fx + 2.5f * t) * 26.0f + (1.0f - k) * 120.0f + 10.0f);
                fb.setCell(x, y, fb.blockGlyphs ? block[glyph] : own[glyph],
                           Color{byte(r0 * f), byte(g0 * f), byte(b0 * f), 255},
                           Color{byte(25.0f * v + 4.0f), byte(18.0f * v + 2.0f), byte(36.0f * (1.0f - k) + 8.0f), 255});
            }
    }
};

}  // namespace

TEST(CellularSeed, FirstFrameShowsTheSeedPattern) {
    EXPECT_EQ(hash32(0xC0DEC0DEu) & 0x3FFu, 609u);                 // Cell (0, 0): cold
    EXPECT_EQ(hash32(19349663u ^ 0xC0DEC0DEu) & 0x3FFu, 985u);     // Cell (0, 1): 0.97771

    Grid g(120, 42);
    g.freshStart(0.0f);
    EXPECT_EQ(g.hotCells(), 1032);
    EXPECT_EQ(g.fb.at(0, 0).codepoint, 32u);
    EXPECT_EQ(g.fb.at(0, 0).bg, kColdBackground);
    // Level 0.97771 with flicker 0.7618: the densest glyph, orange
    EXPECT_EQ(g.fb.at(0, 1).codepoint, (uint32_t)'@');
    EXPECT_EQ(g.fb.at(0, 1).fg, (Color{194, 134, 10, 255}));
    EXPECT_EQ(g.fb.at(0, 1).bg, (Color{28, 19, 9, 255}));
    for (int x = 0; x <= 20; ++x) {
        const bool hot = x == 14 || x == 15 || x == 18 || x == 20;
        EXPECT_EQ(g.fb.at(x, 0).bg != kColdBackground, hot) << "row 0, column " << x;
    }

    // The pattern depends on the cell coordinates only, not on when the seeding happens
    const std::vector<Color> seedBackgrounds = g.backgrounds();
    g.fb.blockGlyphs = true;
    g.freshStart(7.3f);
    EXPECT_EQ(g.backgrounds(), seedBackgrounds);
    EXPECT_EQ(g.fb.at(0, 1).codepoint, 0x2588u) << "the block ramp's top glyph";

    // No step runs before a whole step of scene time has passed
    g.render(7.3f + 0.06f);
    EXPECT_EQ(g.backgrounds(), seedBackgrounds);
    g.render(7.3f + 0.0625f);
    EXPECT_NE(g.backgrounds(), seedBackgrounds);
}

TEST(CellularTiming, OneSecondGapSimulatesOnlyAQuarterSecond) {
    Grid g(120, 42);
    // A 1 s gap and a 0.25 s gap both run 4 steps at t = 6; a shorter gap runs fewer
    g.freshStart(5.0f);
    g.render(6.0f);
    const uint64_t afterLongGap = g.hash();
    g.render(6.04f);
    const uint64_t longGapNext = g.hash();

    g.freshStart(5.75f);
    g.render(6.0f);
    EXPECT_EQ(g.hash(), afterLongGap);
    g.render(6.04f);
    EXPECT_EQ(g.hash(), longGapNext) << "the rest of the long gap is dropped, not carried";

    g.freshStart(5.8125f);
    g.render(6.0f);
    EXPECT_NE(g.hash(), afterLongGap);
}

TEST(CellularTiming, TimeRunningBackwardsReSeeds) {
    Grid g(120, 42);
    g.freshStart(0.0f);
    const std::vector<Color> seedBackgrounds = g.backgrounds();
    for (float t = 0.0f; t <= 3.0f; t += 0.1f) g.render(t, scene_harness::scriptedAudio(t));
    EXPECT_NE(g.backgrounds(), seedBackgrounds);
    g.render(1.0f);
    EXPECT_EQ(g.backgrounds(), seedBackgrounds);
    EXPECT_EQ(g.hotCells(), 1032);
}

TEST(CellularGrid, BelowMinimumSizeLeavesGridAndStateUntouched) {
    Grid g(120, 42), narrow(7, 42), flat(120, 7), smallest(8, 8);
    g.freshStart(0.0f);
    g.render(0.5f);
    // Neither the earlier time nor the size may reach the state
    narrow.render(0.1f);
    flat.render(0.2f);
    EXPECT_TRUE(allBlank(narrow.fb));
    EXPECT_TRUE(allBlank(flat.fb));
    g.render(0.7f);
    const uint64_t withSmallFrames = g.hash();

    g.freshStart(0.0f);
    g.render(0.5f);
    g.render(0.7f);
    EXPECT_EQ(g.hash(), withSmallFrames);

    smallest.render(1.0f);
    EXPECT_FALSE(allBlank(smallest.fb)) << "8 x 8 is large enough";
}

TEST(CellularGrid, LargerGridRepeatsEachOldCellAsABlock) {
    Grid small(120, 42), large(240, 84);
    small.freshStart(2.0f);
    large.render(2.0f);  // Same time: no step, only the resampling
    for (int y = 0; y < 84; ++y)
        for (int x = 0; x < 240; ++x) ASSERT_EQ(large.fb.at(x, y).bg, small.fb.at(x / 2, y / 2).bg) << x << "," << y;
}

TEST(CellularReference, MatchesThePlainFormulasCellForCell) {
    auto grid = std::make_unique<Grid>(120, 42);
    Reference ref;
    grid->freshStart(0.0f);
    ref.seed(120, 42, 0.0f);
    int frames = 0, mismatches = 0;
    auto compare = [&](float t, const AudioFeatures& audio) {
        grid->render(t, audio);
        AsciiFramebuffer expected(grid->fb.cols, grid->fb.rows, 10, 18, FramebufferBacking::CellsOnly);
        expected.blockGlyphs = grid->fb.blockGlyphs;
        ref.frame(expected, t, audio);
        for (size_t i = 0; i < expected.cells.size(); ++i) mismatches += expected.cells[i] != grid->fb.cells[i];
        frames += 1;
    };
    // Loud music (sparks everywhere, so the damping acts), a long gap, a grid change, block glyphs,
    // silence, and a jump back in time
    AudioFeatures loud = scene_harness::scriptedAudio(0.0f);
    loud.bass = 1.0f, loud.treble = 1.0f;
    float t = 0.0f;
    for (; t < 4.0f; t += 1.0f / 30.0f) compare(t, loud);
    t += 1.0f;
    grid = std::make_unique<Grid>(173, 60);
    for (int i = 0; i < 20; ++i, t += 1.0f / 60.0f) compare(t, scene_harness::scriptedAudio(t));
    grid->fb.blockGlyphs = true;
    for (int i = 0; i < 20; ++i, t += 1.0f / 20.0f) compare(t, AudioFeatures{});
    grid = std::make_unique<Grid>(97, 33);
    for (int i = 0; i < 10; ++i, t += 0.1f) compare(t, scene_harness::scriptedAudio(t));
    t = 1.5f;
    for (int i = 0; i < 10; ++i, t += 0.1f) compare(t, scene_harness::scriptedAudio(t));
    EXPECT_EQ(mismatches, 0) << "over " << frames << " frames";
    EXPECT_GT(ref.dampedSteps, 0) << "the run should reach the damping";
}

TEST(CellularDeterminism, StoredHash) {
    Grid(120, 42).render(1000.0f);  // Whatever ran before, the run starts from a seeding
    const uint64_t value = scene_harness::determinismHash(cellular);
    EXPECT_EQ(value, 10571728195876561710ull) << "actual " << value;
}
