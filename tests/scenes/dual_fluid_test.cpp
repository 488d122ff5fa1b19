#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "math/show_math.h"
#include "scenes/scene_math.h"
#include "scenes/scenes.h"
#include "tests/scenes/scene_harness.h"

namespace {

using scene_harness::allCellsAre;
using scene_harness::SceneGrid;

const Cell kEmptyCell = {32, Color{22, 93, 140, 255}, Color{12, 30, 51, 255}};

// The fluid written straight from its formulas, one cell at a time; every index wraps
enum Field { A, B, U, V };  // The two dyes, then the horizontal and vertical velocity

struct Reference {
    int w = 0, h = 0, steps = 0;
    float lastTime = 0.0f, acc = 0.0f, maxDye = 0.0f;
    std::vector<float> f[4];

    float& at(std::vector<float>& v, int x, int y) { return v[(size_t)((y % h + h) % h) * w + (x % w + w) % w]; }
    float around(std::vector<float>& v, int x, int y) {
        return at(v, x + 1, y) + at(v, x - 1, y) + at(v, x, y - 1) + at(v, x, y + 1);
    }
    float sample(std::vector<float>& v, float sx, float sy) {
        const int ix = (int)floorf(sx), iy = (int)floorf(sy);
        const float fx = sx - (float)ix, fy = sy - (float)iy;
        return ((1 - fx) * at(v, ix, iy) + fx * at(v, ix + 1, iy)) * (1 - fy) +
               ((1 - fx) * at(v, ix, iy + 1) + fx * at(v, ix + 1, iy + 1)) * fy;
    }
    void start(int cols, int rows, float t) {
        w = cols, h = rows, lastTime = t, acc = 0.0f;
        for (auto& v : f) v.assign((size_t)w * h, 0.0f);
    }
    void resize(int cols, int rows) {
        Reference old = *this;
        start(cols, rows, lastTime);
        acc = old.acc;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const int sx = std::min((int)floorf((x + 0.5f) / w * old.w), old.w - 1);
                const int sy = std::min((int)floorf((y + 0.5f) / h * old.h), old.h - 1);
                for (int k = 0; k < 4; ++k) at(f[k], x, y) = old.at(old.f[k], sx, sy);
            }
    }
    void step(float t, float bass, float treble) {
        steps += 1;
        const float W = (float)w, H = (float)h;
        std::vector<float> nu(f[U].size()), nv(nu.size()), na(nu.size()), nb(nu.size());
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const float a = at(f[A], x, y), b = at(f[B], x, y);
                const float k = 1 - clamp((a + b) * 0.45f, 0.0f, 0.35f);
                at(nv, x, y) = k * ((0.02f * showSin(1.7f * t + 0.07f * x) + (0.986f * at(f[V], x, y) - 0.18f * (a - b)) -
                                     0.006f * 2 * (y / H - 0.5f)) * 0.84f + around(f[V], x, y) * 0.25f * 0.16f);
                at(nu, x, y) = k * ((0.06f * showSin(1.4f * t + 0.09f * x) * showCos(0.13f * y - 1.9f * t) +
                                     (0.055f * showSin(2.2f * t + 0.14f * y) + 0.986f * at(f[U], x, y)) -
                                     0.008f * 2 * (x / W - 0.5f)) * 0.84f + around(f[U], x, y) * 0.25f * 0.16f);
            }
        f[U] = nu, f[V] = nv;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                float sx = fmodf(x - 1.6f * at(f[U], x, y), W), sy = fmodf(y - 1.6f * at(f[V], x, y), H);
                sx += sx < 0 ? W : 0, sy += sy < 0 ? H : 0;
                at(na, x, y) = (sample(f[A], sx, sy) * 0.94f + around(f[A], x, y) * 0.25f * 0.06f) * 0.996f;
                at(nb, x, y) = (sample(f[B], sx, sy) * 0.94f + around(f[B], x, y) * 0.25f * 0.06f) * 0.996f;
            }
        const float phi = (treble * 1.6f + 1.2f) * t;
        const int rA = (int)roundf(0.5f * H + 0.19f * H * showSin(phi));
        const int rB = (int)roundf(0.5f * H + 0.19f * H * showSin(phi + 3.14159265f));
        const int xA = std::max(w / 6, 1), xB = std::max(w - w / 6, 2);
        for (int dy = -4; dy <= 4; ++dy)
            for (int dx = -2; dx <= 2; ++dx) {
                const float wt = 1 - clamp(std::abs(dx) / 3.0f + std::abs(dy) / 5.0f, 0.0f, 1.0f);
                if (wt <= 0) continue;
                const int ax = std::clamp(xA + dx, 1, w - 2), ay = std::clamp(rA + dy, 1, h - 2);
                const int bx = std::clamp(xB + dx, 1, w - 2), by = std::clamp(rB + dy, 1, h - 2);
                at(na, ax, ay) = std::min(at(na, ax, ay) + (0.3f * bass + 0.28f) * wt, 1.6f);
                at(nb, bx, by) = std::min(at(nb, bx, by) + (0.3f * bass + 0.28f) * wt, 1.6f);
                at(f[U], ax, ay) += (0.25f * bass + 0.18f) * wt;
                at(f[U], bx, by) -= (0.25f * bass + 0.18f) * wt;
            }
        f[A] = na, f[B] = nb;
        for (size_t i = 0; i < f[A].size(); ++i) maxDye = std::max({maxDye, f[A][i], f[B][i]});
    }
    void frame(AsciiFramebuffer& fb, float t, const AudioFeatures& audio) {
        if (lastTime > t) start(fb.cols, fb.rows, t);
        else if (w != fb.cols || h != fb.rows) resize(fb.cols, fb.rows);
        acc += clamp(t - lastTime, 0.0f, 0.2f);
        lastTime = t;
        for (; acc >= 1.0f / 30.0f; acc -= 1.0f / 30.0f) {
            step(t, audio.valid ? audio.bass : 0, audio.valid ? audio.treble : 0);
        }
        auto byte = [](float v) { return (unsigned char)clamp((float)(int)v, 0.0f, 255.0f); };
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const float a = clamp(at(f[A], x, y), 0.0f, 1.5f), b = clamp(at(f[B], x, y), 0.0f, 1.5f), s = a + b;
                const float in = clamp(clamp(s, 0.0f, 1.8f) / 1.4f, 0.0f, 1.0f), l = 0.75f * in + 0.55f;
                const float m = s > 0.0001f ? b / s : 0, o = clamp(1.4f * std::min(a, b), 0.0f, 1.0f);
                const float r0 = (int)((1 - m) * 40 + m * 255), g0 = (int)((1 - m) * 170 + m * 120);
                const float b0 = (int)((1 - m) * 255 + m * 40);
                fb.setCell(x, y, " .:-=+*#%@"[(int)clamp(floorf(9 * in), 0.0f, 9.0f)],
                           Color{byte(l * r0 + 85 * o), byte(l * g0 + 95 * o), byte(l * b0 + 110 * o), 255},
                           Color{byte(0.12f * r0 + 8), byte(0.12f * g0 + 10), byte(0.14f * b0 + 16), 255});
            }
    }
};

using SideBySide = scene_harness::SideBySide<Reference>;

}  // namespace

TEST(DualFluidJets, FirstStepInSilenceAddsDiamondsThatSwingInOppositePhase) {
    SideBySide run(dual_fluid, 120, 42, 0.0f);
    EXPECT_TRUE(allCellsAre(run.grid->fb, kEmptyCell)) << "a reset shows still, empty fluid";
    run.frame(0.02f);  // Less than one step
    EXPECT_TRUE(allCellsAre(run.grid->fb, kEmptyCell));
    run.frame(0.04f);
    Reference& ref = run.ref;
    ASSERT_EQ(ref.steps, 1);
    EXPECT_EQ(run.mismatches, 0);
    // Centre 0.28, one column aside 0.28 * (2/3)
    EXPECT_EQ(ref.at(ref.f[A], 20, 21), 0.28f);
    EXPECT_EQ(ref.at(ref.f[B], 100, 21), 0.28f);
    EXPECT_FLOAT_EQ(ref.at(ref.f[A], 19, 21), 0.28f * 2.0f / 3.0f);
    EXPECT_FLOAT_EQ(ref.at(ref.f[B], 101, 21), 0.28f * 2.0f / 3.0f);
    // '.' where the dye passes 0.28 * 5/9: the centre column's middle five rows
    const AsciiFramebuffer& fb = run.grid->fb;
    EXPECT_EQ(fb.at(20, 23).codepoint, (uint32_t)'.');
    EXPECT_EQ(fb.at(20, 24).codepoint, 32u);
    EXPECT_GT(fb.at(20, 21).fg.b, fb.at(20, 21).fg.r) << "dye A is blue";
    EXPECT_GT(fb.at(100, 21).fg.r, fb.at(100, 21).fg.b) << "dye B is orange";

    // One step at phase pi/2: jet A is lowest (centre row 29), jet B highest (row 13)
    const float t = 3.14159265f / 2.0f / 1.2f;
    run.grid->freshStart(t - 0.05f);
    run.grid->render(t);
    EXPECT_EQ(fb.at(20, 31).codepoint, (uint32_t)'.');
    EXPECT_EQ(fb.at(20, 32).codepoint, 32u);
    EXPECT_EQ(fb.at(100, 11).codepoint, (uint32_t)'.');
    EXPECT_EQ(fb.at(100, 10).codepoint, 32u);
}

TEST(DualFluidTiming, OneSecondGapSimulatesOnlyAFifth) {
    SideBySide run(dual_fluid, 120, 42, 5.0f);
    run.frame(6.0f, scene_harness::scriptedAudio(6.0f));
    EXPECT_EQ(run.ref.steps, 6);
    run.frame(6.02f);
    EXPECT_EQ(run.ref.steps, 6) << "the rest of the gap is dropped";
    EXPECT_EQ(run.mismatches, 0);
}

TEST(DualFluidGrid, BelowMinimumSizeLeavesGridAndStateUntouched) {
    SideBySide run(dual_fluid, 120, 42, 0.0f);
    run.frame(0.5f);
    // An earlier time or another size would reach the state, had these frames got through
    SceneGrid narrow(dual_fluid, 9, 42), flat(dual_fluid, 120, 9);  // 10 x 10 is drawn: see the reference run
    narrow.render(0.1f);
    flat.render(0.2f);
    EXPECT_TRUE(allCellsAre(narrow.fb, Cell{}));
    EXPECT_TRUE(allCellsAre(flat.fb, Cell{}));
    run.frame(0.7f);
    EXPECT_EQ(run.mismatches, 0);
}

TEST(DualFluidReference, MatchesThePlainFormulasCellForCell) {
    SideBySide run(dual_fluid, 120, 42, 0.0f);
    // Loud music fills the jet cells to the cap; then a long gap, grid changes (up, down to an uneven
    // size, down to the smallest, where the jets press against the border), silence, and a jump back
    AudioFeatures loud = scene_harness::audioLevels(1.0f, 0.5f, 1.0f, 1.0f);
    float t = 0.0f;
    for (; t < 3.0f; t += 0.05f) run.frame(t, loud);
    t += 1.0f;
    run.regrid(173, 60);
    for (int i = 0; i < 20; ++i, t += 1.0f / 60.0f) run.frame(t, scene_harness::scriptedAudio(t));
    for (int i = 0; i < 10; ++i, t += 0.05f) run.frame(t);
    run.regrid(97, 33);
    for (int i = 0; i < 10; ++i, t += 0.1f) run.frame(t, scene_harness::scriptedAudio(t));
    run.regrid(10, 10);
    for (int i = 0; i < 10; ++i, t += 0.1f) run.frame(t, scene_harness::scriptedAudio(t));
    for (t = 1.5f; t < 2.0f; t += 0.1f) run.frame(t, scene_harness::scriptedAudio(t));
    EXPECT_EQ(run.mismatches, 0) << "over " << run.frames << " frames";
    EXPECT_EQ(run.ref.maxDye, 1.6f) << "the run should reach the dye cap";
}

TEST(DualFluidDeterminism, StoredHash) {
    SceneGrid(dual_fluid, 120, 42).render(1000.0f);  // Whatever ran before, the run starts from a reset
    const uint64_t value = scene_harness::determinismHash(dual_fluid);
    EXPECT_EQ(value, 4729753282723366565ull) << "actual " << value;
}
