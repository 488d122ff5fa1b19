#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <vector>

#include "scenes/scene_math.h"
#include "scenes/scenes.h"
#include "tests/scenes/scene_harness.h"

namespace {

constexpr float kStep = 1.0f / 30.0f;
const Cell kEmptyCell = {32, Color{22, 93, 140, 255}, Color{12, 30, 51, 255}};

struct Grid {
    AsciiFramebuffer fb;
    Grid(int cols, int rows) : fb(cols, rows, 10, 18, FramebufferBacking::CellsOnly) {}
    void render(float t, const AudioFeatures& audio = AudioFeatures{}) {
        const BeatInfo beat = scene_harness::beatAt(t);
        fb.clear(kSceneBackground);
        dual_fluid(fb, t, kSceneBackground, &beat, &audio);
    }
    // The scene resets when time runs backwards, whatever earlier tests left behind
    void freshStart(float t) {
        render(t + 1000.0f);
        render(t);
    }
    uint64_t hash() const { return scene_harness::hashCells(fb); }
};

bool allBlank(const AsciiFramebuffer& fb) {
    for (const Cell& c : fb.cells) {
        if (c != Cell{32, kDefaultGlyphColor, kSceneBackground}) return false;
    }
    return true;
}

//----------------------------------------------------------------------------------
// Reference: the fluid written straight from its formulas, one cell at a time
//----------------------------------------------------------------------------------
struct Reference {
    int w = 0, h = 0;
    float lastTime = 0.0f, acc = 0.0f;
    std::vector<float> dyeA, dyeB, velU, velV;
    int steps = 0;
    float maxDye = 0.0f;

    // Any x, y: the grid is a torus
    float& at(std::vector<float>& f, int x, int y) const {
        return f[(size_t)(((y % h) + h) % h) * w + ((x % w) + w) % w];
    }
    float around(std::vector<float>& f, int x, int y) const {
        return at(f, x + 1, y) + at(f, x - 1, y) + at(f, x, y - 1) + at(f, x, y + 1);
    }
    float sample(std::vector<float>& f, float sx, float sy) const {
        const int ix = (int)floorf(sx), iy = (int)floorf(sy);
        const float fx = sx - (float)ix, fy = sy - (float)iy;
        return ((1.0f - fx) * at(f, ix, iy) + fx * at(f, ix + 1, iy)) * (1.0f - fy) +
               ((1.0f - fx) * at(f, ix, iy + 1) + fx * at(f, ix + 1, iy + 1)) * fy;
    }
    void reset(int cols, int rows, float t) {
        w = cols, h = rows, lastTime = t, acc = 0.0f;
        for (auto* f : {&dyeA, &dyeB, &velU, &velV}) f->assign((size_t)w * h, 0.0f);
    }
    void resize(int cols, int rows) {
        const int oldW = w, oldH = h;
        std::vector<float> old[4] = {dyeA, dyeB, velU, velV};
        std::vector<float>* fields[4] = {&dyeA, &dyeB, &velU, &velV};
        w = cols, h = rows;
        for (int f = 0; f < 4; ++f) {
            fields[f]->assign((size_t)w * h, 0.0f);
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) {
                    const int sx = std::min((int)floorf(((float)x + 0.5f) / (float)w * (float)oldW), oldW - 1);
                    const int sy = std::min((int)floorf(((float)y + 0.5f) / (float)h * (float)oldH), oldH - 1);
                    at(*fields[f], x, y) = old[f][(size_t)sy * oldW + sx];
                }
        }
    }
    void step(float t, float bass, float treble) {
        steps += 1;
        const float W = (float)w, H = (float)h;
        const float phi = (treble * 1.6f + 1.2f) * t;
        const float yA = 0.5f * H + 0.19f * H * sinf(phi);
        const float yB = 0.5f * H + 0.19f * H * sinf(phi + 3.14159265f);
        std::vector<float> nu(velU.size()), nv(velV.size()), na(dyeA.size()), nb(dyeB.size());
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const float fx = (float)x, fy = (float)y, a = at(dyeA, x, y), b = at(dyeB, x, y);
                const float k = 1.0f - clamp((a + b) * 0.45f, 0.0f, 0.35f);
                at(nv, x, y) = k * ((0.02f * sinf(1.7f * t + 0.07f * fx) + (0.986f * at(velV, x, y) - 0.18f * (a - b)) -
                                     0.006f * 2.0f * (fy / H - 0.5f)) * 0.84f +
                                    around(velV, x, y) * 0.25f * 0.16f);
                at(nu, x, y) = k * ((0.06f * sinf(1.4f * t + 0.09f * fx) * cosf(0.13f * fy - 1.9f * t) +
                                     (0.055f * sinf(2.2f * t + 0.14f * fy) + 0.986f * at(velU, x, y)) -
                                     0.008f * 2.0f * (fx / W - 0.5f)) * 0.84f +
                                    around(velU, x, y) * 0.25f * 0.16f);
            }
        velU = nu, velV = nv;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                float sx = fmodf((float)x - 1.6f * at(velU, x, y), W), sy = fmodf((float)y - 1.6f * at(velV, x, y), H);
                if (sx < 0.0f) sx += W;
                if (sy < 0.0f) sy += H;
                at(na, x, y) = (sample(dyeA, sx, sy) * 0.94f + around(dyeA, x, y) * 0.25f * 0.06f) * 0.996f;
                at(nb, x, y) = (sample(dyeB, sx, sy) * 0.94f + around(dyeB, x, y) * 0.25f * 0.06f) * 0.996f;
            }
        const int xA = std::max(w / 6, 1), xB = std::max(w - w / 6, 2);
        const int rA = (int)roundf(yA), rB = (int)roundf(yB);
        for (int dy = -4; dy <= 4; ++dy)
            for (int dx = -2; dx <= 2; ++dx) {
                const float wt = 1.0f - clamp((float)std::abs(dx) / 3.0f + (float)std::abs(dy) / 5.0f, 0.0f, 1.0f);
                if (wt <= 0.0f) continue;
                const int ax = std::min(std::max(xA + dx, 1), w - 2), ay = std::min(std::max(rA + dy, 1), h - 2);
                const int bx = std::min(std::max(xB + dx, 1), w - 2), by = std::min(std::max(rB + dy, 1), h - 2);
                at(na, ax, ay) = std::min(at(na, ax, ay) + (0.3f * bass + 0.28f) * wt, 1.6f);
                at(nb, bx, by) = std::min(at(nb, bx, by) + (0.3f * bass + 0.28f) * wt, 1.6f);
                at(velU, ax, ay) += (0.25f * bass + 0.18f) * wt;
                at(velU, bx, by) -= (0.25f * bass + 0.18f) * wt;
            }
        dyeA = na, dyeB = nb;
        for (size_t i = 0; i < dyeA.size(); ++i) maxDye = std::max({maxDye, dyeA[i], dyeB[i]});
    }
    void frame(AsciiFramebuffer& fb, float t, const AudioFeatures& audio) {
        if (lastTime > t) reset(fb.cols, fb.rows, t);
        else if (w != fb.cols || h != fb.rows) resize(fb.cols, fb.rows);
        acc += clamp(t - lastTime, 0.0f, 0.2f);
        lastTime = t;
        while (acc >= 1.0f / 30.0f) {
            acc -= 1.0f / 30.0f;
            step(t, audio.valid ? audio.bass : 0.0f, audio.valid ? audio.treble : 0.0f);
        }
        const uint32_t ramp[] = {' ', '.', ':', '-', '=', '+', '*', '#', '%', '@'};
        auto byte = [](float v) { return (unsigned char)clamp((float)(int)v, 0.0f, 255.0f); };
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const float a = clamp(at(dyeA, x, y), 0.0f, 1.5f), b = clamp(at(dyeB, x, y), 0.0f, 1.5f), s = a + b;
                const float in = clamp(clamp(s, 0.0f, 1.8f) / 1.4f, 0.0f, 1.0f);
                const float m = s > 0.0001f ? b / s : 0.0f, l = 0.75f * in + 0.55f;
                const float o = clamp(1.4f * std::min(a, b), 0.0f, 1.0f);
                const float r0 = (float)(int)((1.0f - m) * 40.0f + m * 255.0f);
                const float g0 = (float)(int)((1.0f - m) * 170.0f + m * 120.0f);
                const float b0 = (float)(int)((1.0f - m) * 255.0f + m * 40.0f);
                fb.setCell(x, y, ramp[(int)clamp(floorf(9.0f * in), 0.0f, 9.0f)],
                           Color{byte(l * r0 + 85.0f * o), byte(l * g0 + 95.0f * o), byte(l * b0 + 110.0f * o), 255},
                           Color{byte(0.12f * r0 + 8.0f), byte(0.12f * g0 + 10.0f), byte(0.14f * b0 + 16.0f), 255});
            }
    }
};

// Runs the scene and the reference side by side from a reset at t0; counts differing cells
struct SideBySide {
    std::unique_ptr<Grid> grid;
    Reference ref;
    int frames = 0, mismatches = 0;
    SideBySide(int cols, int rows, float t0) : grid(new Grid(cols, rows)) {
        grid->freshStart(t0);
        ref.reset(cols, rows, t0);
    }
    void frame(float t, const AudioFeatures& audio = AudioFeatures{}) {
        grid->render(t, audio);
        AsciiFramebuffer expected(grid->fb.cols, grid->fb.rows, 10, 18, FramebufferBacking::CellsOnly);
        ref.frame(expected, t, audio);
        for (size_t i = 0; i < expected.cells.size(); ++i) mismatches += expected.cells[i] != grid->fb.cells[i];
        frames += 1;
    }
};

}  // namespace

TEST(DualFluidReset, FirstFrameShowsEmptyFluid) {
    Grid g(120, 42);
    g.freshStart(3.0f);
    for (const Cell& c : g.fb.cells) ASSERT_EQ(c, kEmptyCell);
    g.render(3.0f + 0.03f);  // Less than one step: still empty
    for (const Cell& c : g.fb.cells) ASSERT_EQ(c, kEmptyCell);
}

TEST(DualFluidJets, FirstStepInSilenceAddsTheJetDiamonds) {
    SideBySide run(120, 42, 0.0f);
    run.frame(kStep);
    ASSERT_EQ(run.ref.steps, 1);
    // Centre 0.28, one column aside 0.28 * (2/3); nothing else has dye yet
    EXPECT_EQ(run.ref.at(run.ref.dyeA, 20, 21), 0.28f);
    EXPECT_EQ(run.ref.at(run.ref.dyeB, 100, 21), 0.28f);
    EXPECT_FLOAT_EQ(run.ref.at(run.ref.dyeA, 19, 21), 0.28f * 2.0f / 3.0f);
    EXPECT_FLOAT_EQ(run.ref.at(run.ref.dyeB, 101, 21), 0.28f * 2.0f / 3.0f);
    EXPECT_EQ(run.mismatches, 0);
    // Glyphs show where the dye is above 0.28 * 5/9: the centre column of five rows and its two neighbours
    for (int y = 0; y < 42; ++y)
        for (int x = 0; x < 120; ++x) {
            const int jx = x < 60 ? 20 : 100;
            const bool dot = (x == jx && std::abs(y - 21) <= 2) || (std::abs(x - jx) == 1 && y == 21);
            ASSERT_EQ(run.grid->fb.at(x, y).codepoint, dot ? (uint32_t)'.' : 32u) << x << "," << y;
        }
    EXPECT_GT(run.grid->fb.at(20, 21).fg.b, run.grid->fb.at(20, 21).fg.r) << "dye A is blue";
    EXPECT_GT(run.grid->fb.at(100, 21).fg.r, run.grid->fb.at(100, 21).fg.b) << "dye B is orange";
}

TEST(DualFluidJets, JetsSwingInOppositePhaseAndStayInsideTheBorder) {
    // At phase pi/2 jet A is lowest (row 29) and jet B highest (row 13)
    const float t = 3.14159265f / 2.0f / 1.2f;
    Grid g(120, 42);
    g.freshStart(t - 0.05f);  // One step
    g.render(t);
    EXPECT_EQ(g.fb.at(20, 29).codepoint, (uint32_t)'.');
    EXPECT_EQ(g.fb.at(20, 31).codepoint, (uint32_t)'.');
    EXPECT_EQ(g.fb.at(20, 32).codepoint, 32u);
    EXPECT_EQ(g.fb.at(100, 13).codepoint, (uint32_t)'.');
    EXPECT_EQ(g.fb.at(100, 10).codepoint, 32u);

    // On the smallest grid both diamonds are squeezed into the cells inside the border
    Grid small(10, 10);
    small.freshStart(0.0f);
    small.render(kStep);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x) {
            if (x == 0 || y == 0 || x == 9 || y == 9) {
                EXPECT_EQ(small.fb.at(x, y), kEmptyCell) << x << "," << y;
            }
        }
    EXPECT_NE(small.fb.at(1, 5), kEmptyCell);
    EXPECT_NE(small.fb.at(8, 5), kEmptyCell);
}

TEST(DualFluidTiming, OneSecondGapSimulatesOnlyAFifth) {
    SideBySide run(120, 42, 5.0f);
    run.frame(6.0f, scene_harness::scriptedAudio(6.0f));
    EXPECT_EQ(run.ref.steps, 6);
    run.frame(6.02f);
    EXPECT_EQ(run.ref.steps, 6) << "the rest of the gap is dropped";
    EXPECT_EQ(run.mismatches, 0);
    const uint64_t afterOneSecond = run.grid->hash();

    Grid g(120, 42);
    g.freshStart(1.0f);
    g.render(6.0f, scene_harness::scriptedAudio(6.0f));
    g.render(6.02f);
    EXPECT_EQ(g.hash(), afterOneSecond) << "a 5 s gap runs the same 6 steps";
}

TEST(DualFluidGrid, BelowMinimumSizeLeavesGridAndStateUntouched) {
    Grid g(120, 42), narrow(9, 42), flat(120, 9), smallest(10, 10);
    g.freshStart(0.0f);
    g.render(0.5f);
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
    EXPECT_FALSE(allBlank(smallest.fb)) << "10 x 10 is large enough";
}

TEST(DualFluidGrid, LargerGridRepeatsEachOldCellAsABlock) {
    Grid small(120, 42), large(240, 84);
    small.freshStart(0.0f);
    float t = 0.0f;
    for (int i = 0; i < 20; ++i) {
        t += 0.1f;
        small.render(t, scene_harness::scriptedAudio(t));
    }
    large.render(t);  // Same time: no step, only the resampling shows
    for (int y = 0; y < 84; ++y)
        for (int x = 0; x < 240; ++x) ASSERT_EQ(large.fb.at(x, y), small.fb.at(x / 2, y / 2)) << x << "," << y;
}

TEST(DualFluidReference, MatchesThePlainFormulasCellForCell) {
    SideBySide run(120, 42, 0.0f);
    // Loud music (jets fill their cells to the cap), a long gap, grid changes, silence and a jump
    // back in time
    AudioFeatures loud = scene_harness::scriptedAudio(0.0f);
    loud.bass = 1.0f, loud.treble = 1.0f;
    float t = 0.0f;
    for (; t < 3.0f; t += 1.0f / 60.0f) run.frame(t, loud);
    t += 1.0f;
    run.grid = std::make_unique<Grid>(173, 60);
    for (int i = 0; i < 30; ++i, t += 1.0f / 60.0f) run.frame(t, scene_harness::scriptedAudio(t));
    for (int i = 0; i < 20; ++i, t += 1.0f / 20.0f) run.frame(t);
    run.grid = std::make_unique<Grid>(97, 33);
    for (int i = 0; i < 10; ++i, t += 0.1f) run.frame(t, scene_harness::scriptedAudio(t));
    t = 1.5f;
    for (int i = 0; i < 10; ++i, t += 0.1f) run.frame(t, scene_harness::scriptedAudio(t));
    EXPECT_EQ(run.mismatches, 0) << "over " << run.frames << " frames";
    EXPECT_EQ(run.ref.maxDye, 1.6f) << "the run should reach the dye cap";
}

TEST(DualFluidDeterminism, StoredHash) {
    Grid(120, 42).render(1000.0f);  // Whatever ran before, the run starts from a reset
    const uint64_t value = scene_harness::determinismHash(dual_fluid);
    EXPECT_EQ(value, 4729753282723366565ull) << "actual " << value;
}
