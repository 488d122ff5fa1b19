// Every scene run through one covering script of frames and hashed: grid sizes at and around each
// scene's minimum, odd and huge ones, both glyph sets, silent, invalid, scripted, loud and
// out-of-range audio, a long frame gap, grids replaced mid-run and time running backwards. The stored
// values were taken from scenes whose cells matched plain per-cell transcriptions of their formulas;
// any change of any cell in any frame changes them.

#include <iterator>

#include "scene_harness.h"

namespace {

using namespace scene_harness;

using Sound = AudioFeatures (*)(float t);
const Sound kSilent = [](float) { return AudioFeatures{}; }, kScripted = scriptedMusic;
const Sound kLoud = [](float) { return audioLevels(1.0f, 0.5f, 1.0f, 1.0f); };
const Sound kStale = [](float) { return audioLevels(0.9f, 0.8f, 0.7f, 1.0f, false); };
const Sound kExtreme = [](float) { return audioLevels(2.0f, 1.0f, 1.5f, 1.0f); };

// Frame i of a stretch is drawn at start + i * dt
struct Stretch { int cols, rows; bool blocks; float start, dt; int frames; Sound sound; };

// Sizes at and around every scene's minimum, in turn, both glyph sets; every third with extreme audio
const int kSmallGrids[][3] = {{36, 14, 0}, {20, 12, 1}, {19, 12, 0}, {20, 11, 0}, {20, 8, 0}, {10, 10, 0},
                              {9, 10, 0},  {10, 9, 1},  {8, 8, 1},   {7, 8, 0},   {40, 3, 0}, {40, 2, 0}};

const Stretch kScript[] = {
    {120, 42, false, 0.0f, 1.0f / 60.0f, 60, kScripted},   // Plain play from a fresh start
    {120, 42, false, 2.0f, 0.05f, 80, kLoud},               // A one-second gap, then loud music
    {173, 60, true, 6.0f, 1.0f / 60.0f, 20, kScripted},     // The zoom's larger grid, block glyphs
    {173, 60, true, 6.4f, 0.1f, 10, kSilent},
    {97, 33, false, 7.4f, 0.1f, 10, kStale},                // Odd sizes, a stale record
    {121, 43, false, 8.4f, 0.25f, 4, kExtreme},
    {61, 23, true, 9.3f, 0.5f, 6, kScripted},
    {0, 0, false, 12.0f, 0.1f, 2, kScripted},               // Two frames on each of kSmallGrids from 12 s on
    {120, 42, false, 14.4f, 1.0f / 60.0f, 10, kScripted},  // Full size again after them
    {120, 42, false, 1.5f, 0.1f, 5, kScripted},             // Time runs backwards
    {120, 42, false, 12.25f, 0.77f, 5, kExtreme},           // and jumps far ahead
    {430, 150, false, 41.0f, 0.5f, 2, kScripted},           // Huge grid, hues wrapped many times
};

uint64_t scriptHash(SceneRenderFn scene) {
    SceneGrid(scene).render(10000.0f);  // Whatever ran before, the script's first frame starts afresh
    uint64_t h = 1469598103934665603ull;
    auto run = [&](const Stretch& s) {
        SceneGrid g(scene, s.cols, s.rows, s.blocks);
        for (int i = 0; i < s.frames; ++i) {
            const float t = s.start + (float)i * s.dt;
            h = cellHash(g.render(t, s.sound(t)).fb, h);
        }
    };
    for (const Stretch& s : kScript) {
        if (s.cols > 0) run(s);
        for (int i = 0; s.cols == 0 && i < (int)std::size(kSmallGrids); ++i) {
            const int* g = kSmallGrids[i];
            run(Stretch{g[0], g[1], g[2] != 0, s.start + 0.2f * (float)i, s.dt, s.frames, i % 3 ? s.sound : kExtreme});
        }
    }
    return h;
}

// True when the scene leaves every cell of a cleared grid of this size as it was
bool leavesGridAlone(SceneRenderFn scene, int cols, int rows) {
    SceneGrid g(scene, cols, rows);
    const Cell cleared = (g.fb.clear(kSceneBackground), g.fb.cells[0]);
    return allCellsAre(g.render(0.5f, scriptedMusic(0.5f)).fb, cleared);
}

}  // namespace

TEST(SceneHashes, CoveringScriptMatchesStoredValues) {
    const struct { const char* scene; uint64_t hash; } kStored[] = {
        {"intro_boot", 16985564948440546284ull},  {"wave_scroll", 823929404867551985ull},
        {"plasma_storm", 1781238626767394433ull}, {"cellular", 12750252971907927199ull},
        {"dual_fluid", 7152584356869490049ull},   {"goo_bounce", 2292136954291557127ull},
        {"julia_blast", 4009089801343270902ull}, {"mandelbrot", 8882416964539591928ull},
        {"cube", 13614899827036088845ull},        {"starfield_warp", 6553561000987500801ull},
        {"end_credits", 772953367861156371ull},
    };
    for (const auto& k : kStored) {
        const uint64_t h = scriptHash(findScene(k.scene)->render);
        EXPECT_EQ(h, k.hash) << k.scene << ": actual " << h;
        EXPECT_EQ(scriptHash(findScene(k.scene)->render), h) << k.scene << " replays differently";
    }
}

TEST(SceneHashes, GridsBelowEachMinimumAreLeftAlone) {
    // The smallest grid each scene draws; 0 when it draws every grid
    const struct { const char* scene; int cols, rows; } kMinimums[] = {
        {"plasma_storm", 8, 8},   {"cellular", 8, 8},      {"dual_fluid", 10, 10},
        {"goo_bounce", 10, 10},   {"julia_blast", 8, 8},   {"starfield_warp", 20, 12},
        {"end_credits", 20, 8},   {"wave_scroll", 0, 0},   {"cube", 0, 0}};
    for (const auto& k : kMinimums) {
        const SceneRenderFn scene = findScene(k.scene)->render;
        SceneGrid(scene).render(10000.0f);
        EXPECT_FALSE(leavesGridAlone(scene, std::max(k.cols, 2), std::max(k.rows, 2))) << k.scene;
        if (k.cols == 0) continue;
        EXPECT_TRUE(leavesGridAlone(scene, k.cols - 1, 40)) << k.scene;
        EXPECT_TRUE(leavesGridAlone(scene, 40, k.rows - 1)) << k.scene;
    }
}
