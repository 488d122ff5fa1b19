#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "scene_harness.h"
#include "scenes/scenes.h"
#include "scenes/starfield_warp.h"

namespace {

constexpr Color kStarBg = {8, 10, 15, 255};

std::unique_ptr<AsciiFramebuffer> grid(int cols, int rows, bool blocks = false) {
    auto fb = std::make_unique<AsciiFramebuffer>(cols, rows, 10, 18, FramebufferBacking::CellsOnly);
    fb->blockGlyphs = blocks;
    return fb;
}

void renderFrame(AsciiFramebuffer& fb, float t, float beatPos, const AudioFeatures& audio) {
    BeatInfo beat = {};
    beat.beatPos = beatPos;
    fb.clear(kSceneBackground);
    starfield_warp(fb, t, kSceneBackground, &beat, &audio);
}

// The motion a frame is expected to have, worked out by each test.
struct Motion {
    float warp;
    float sway;
    float twinklePhase;
    float hue[kStarLayers];
};

Motion silentMotion(float t, float beatPos) {
    return Motion{1.0f, sinf(0.04f * beatPos + 0.23f * t) * 0.18f, 3.8f * t, {208.0f, 220.0f, 232.0f}};
}

struct Placed {
    int x, y;
};

Placed placeStar(const Star& s, int layer, float t, const Motion& m, int cols, int rows) {
    const float down[] = {1.8f, 4.0f, 7.8f};
    const float side[] = {0.18f, 0.45f, 0.95f};
    float x = fmodf(s.x + m.warp * side[layer] * t + (float)(layer + 1) * m.sway, (float)cols);
    if (x < 0.0f) x += (float)cols;
    float y = fmodf(s.y + m.warp * down[layer] * t, (float)rows);
    if (y < 0.0f) y += (float)rows;
    return Placed{(int)floorf(x), (int)floorf(y)};
}

Color starColour(const Star& s, int layer, const Motion& m) {
    const float brightness[] = {0.62f, 0.8f, 1.0f};
    const float v = (0.7f + 0.3f * (0.6f + 0.4f * sinf(11.0f * s.z + m.twinklePhase))) * brightness[layer];
    return ColorFromHSV(m.hue[layer], 0.2f + 0.1f * (float)layer, v > 1.0f ? 1.0f : v);
}

// Checks every star whose cell no later star (or trail) writes: its glyph, colour and trail.
// Returns how many stars were checked.
int checkVisibleStars(const AsciiFramebuffer& fb, float t, const Motion& m) {
    const uint32_t text[] = {'.', '*', '#'};
    const uint32_t block[] = {0x2591, 0x2592, 0x2593};
    struct Write {
        int x, y;
        Cell cell;
    };
    std::vector<Write> writes;
    for (int layer = 0; layer < kStarLayers; ++layer) {
        for (int i = 0; i < starLayerSize(layer, fb.cols, fb.rows); ++i) {
            const Star s = makeStar(layer, (uint32_t)i, fb.cols, fb.rows);
            const Placed p = placeStar(s, layer, t, m, fb.cols, fb.rows);
            if (p.x < 0 || p.x >= fb.cols || p.y < 0 || p.y >= fb.rows) continue;
            const Color c = starColour(s, layer, m);
            writes.push_back({p.x, p.y, Cell{fb.blockGlyphs ? block[layer] : text[layer], c, kStarBg}});
            if (layer == 2 && p.x >= 1) {
                const Color trail = {(unsigned char)(int)((float)c.r * 0.6f), (unsigned char)(int)((float)c.g * 0.6f),
                                     (unsigned char)(int)((float)c.b * 0.65f), 255};
                writes.push_back({p.x - 1, p.y, Cell{fb.blockGlyphs ? block[1] : text[1], trail, kStarBg}});
            }
        }
    }
    // The last write to each cell is what shows
    std::vector<int> last((size_t)fb.cols * (size_t)fb.rows, -1);
    for (size_t i = 0; i < writes.size(); ++i) last[(size_t)writes[i].y * (size_t)fb.cols + (size_t)writes[i].x] = (int)i;
    int checked = 0;
    for (size_t i = 0; i < last.size(); ++i) {
        if (last[i] < 0) continue;
        const Write& w = writes[(size_t)last[i]];
        const Cell& got = fb.at(w.x, w.y);
        EXPECT_EQ(got, w.cell) << "cell " << w.x << "," << w.y << " glyph " << got.codepoint << " rgb "
                               << (int)got.fg.r << " " << (int)got.fg.g << " " << (int)got.fg.b;
        ++checked;
    }
    return checked;
}

}  // namespace

TEST(StarfieldWarpStars, LayerSizesFollowTheGridArea) {
    EXPECT_EQ(starLayerSize(0, 40, 20), 120);
    EXPECT_EQ(starLayerSize(1, 40, 20), 80);
    EXPECT_EQ(starLayerSize(2, 40, 20), 60);
    EXPECT_EQ(starLayerSize(0, 120, 42), 252);
    EXPECT_EQ(starLayerSize(1, 120, 42), 168);
    EXPECT_EQ(starLayerSize(2, 120, 42), 126);
    // Small grids keep the minimum of 120 far stars; 2419 cells still round down to 120
    EXPECT_EQ(starLayerSize(0, 20, 12), 120);
    EXPECT_EQ(starLayerSize(0, 59, 41), 120);
    EXPECT_EQ(starLayerSize(0, 430, 150), 3225);
    EXPECT_EQ(starLayerSize(2, 430, 150), 1612);
}

TEST(StarfieldWarpStars, EveryStarLiesInsideItsGrid) {
    const int sizes[][2] = {{20, 12}, {120, 42}, {430, 150}, {520, 220}};
    for (const auto& size : sizes) {
        for (int layer = 0; layer < kStarLayers; ++layer) {
            for (int i = 0; i < starLayerSize(layer, size[0], size[1]); ++i) {
                const Star s = makeStar(layer, (uint32_t)i, size[0], size[1]);
                ASSERT_GE(s.x, 0.0f);
                ASSERT_LT(s.x, (float)size[0]);
                ASSERT_GE(s.y, 0.0f);
                ASSERT_LT(s.y, (float)size[1]);
                ASSERT_GE(s.z, 0.0f);
                ASSERT_LT(s.z, 1.0f);
            }
        }
    }
    // The layers are keyed apart, so their first stars differ
    EXPECT_NE(makeStar(0, 0, 120, 42).x, makeStar(1, 0, 120, 42).x);
    EXPECT_NE(makeStar(1, 0, 120, 42).y, makeStar(2, 0, 120, 42).y);
}

TEST(StarfieldWarpFrame, GradientRunsFromTopToBottom) {
    auto fb = grid(120, 42);
    renderFrame(*fb, 1.0f, 2.0f, AudioFeatures{});
    const Color expected[] = {{12, 21, 44, 255}, {7, 13, 28, 255}, {4, 7, 14, 255}};  // f = 1, 20/41, 0
    const int rowsChecked[] = {0, 21, 41};
    for (int k = 0; k < 3; ++k) {
        int gradientCells = 0;
        for (int x = 0; x < fb->cols; ++x) {
            const Cell& c = fb->at(x, rowsChecked[k]);
            if (c.bg == kStarBg) continue;  // A star or trail
            EXPECT_EQ(c.codepoint, 32u);
            EXPECT_EQ(c.fg, (Color{0, 0, 0, 255}));
            EXPECT_EQ(c.bg, expected[k]) << "row " << rowsChecked[k];
            ++gradientCells;
        }
        EXPECT_GT(gradientCells, 60);
    }
    // Every cell is written: none keeps the cleared default glyph colour
    for (const Cell& c : fb->cells) ASSERT_NE(c.fg, kDefaultGlyphColor);
}

TEST(StarfieldWarpFrame, SilentFrameMatchesTheWorkedMotion) {
    // Sizes change between frames (once in width alone), so the field is regenerated each time
    const struct {
        int cols, rows;
        bool blocks;
        float t, beatPos;
    } frames[] = {{120, 42, false, 0.0f, 0.0f}, {40, 20, false, 2.5f, 7.0f}, {173, 60, true, 9.75f, 30.0f},
                  {120, 42, true, 31.0f, 64.5f}, {100, 42, false, 31.0f, 64.5f}};
    for (const auto& f : frames) {
        auto fb = grid(f.cols, f.rows, f.blocks);
        renderFrame(*fb, f.t, f.beatPos, AudioFeatures{});
        const int checked = checkVisibleStars(*fb, f.t, silentMotion(f.t, f.beatPos));
        EXPECT_GT(checked, starLayerSize(0, f.cols, f.rows)) << f.cols << "x" << f.rows;
    }
}

TEST(StarfieldWarpFrame, MusicSpeedsTintsAndSwaysTheField) {
    AudioFeatures audio;
    audio.valid = true;
    audio.bass = 0.6f;
    audio.mid = 0.5f;
    audio.treble = 0.8f;
    audio.beat = 0.75f;
    const float t = 6.0f, beatPos = 12.5f;
    Motion m;
    m.warp = 1.0f + 0.85f * 0.75f + 0.55f * 0.6f;
    m.sway = sinf(0.04f * beatPos + 0.23f * t) * (0.22f * 0.5f + 0.18f);
    m.twinklePhase = ((0.75f * 0.75f + 0.25f + 0.35f * 0.8f) * 2.4f + 3.2f) * t;
    m.hue[0] = 208.0f + 12.0f;  // hue shift 16 * 0.75
    m.hue[1] = 220.0f + 12.0f;
    m.hue[2] = 232.0f + 12.0f;
    auto fb = grid(120, 42);
    renderFrame(*fb, t, beatPos, audio);
    EXPECT_GT(checkVisibleStars(*fb, t, m), 252);

    // The same levels without the valid flag are ignored
    audio.valid = false;
    renderFrame(*fb, t, beatPos, audio);
    EXPECT_GT(checkVisibleStars(*fb, t, silentMotion(t, beatPos)), 252);
}

TEST(StarfieldWarpFrame, StarsWrapRoundTheEdgesAndColumnZeroHasNoTrail) {
    // The last near star is drawn last, so its cell always shows it
    const int cols = 120, rows = 42;
    const int last = starLayerSize(2, cols, rows) - 1;
    const Star s = makeStar(2, (uint32_t)last, cols, rows);
    auto fb = grid(cols, rows);

    // Just past the bottom edge it is back on the top row
    const float tBottom = ((float)rows + 0.5f - s.y) / 7.8f;
    const float beatBottom = -0.23f * tBottom / 0.04f;  // Keeps the sway at about zero
    renderFrame(*fb, tBottom, beatBottom, AudioFeatures{});
    const Placed pb = placeStar(s, 2, tBottom, silentMotion(tBottom, beatBottom), cols, rows);
    ASSERT_EQ(pb.y, 0);
    EXPECT_EQ(fb->at(pb.x, 0).codepoint, (uint32_t)'#');

    // Just past the right edge it is in column 0, and its trail does not wrap to the last column
    const float tRight = ((float)cols + 0.5f - s.x) / 0.95f;
    const float beatRight = -0.23f * tRight / 0.04f;
    renderFrame(*fb, tRight, beatRight, AudioFeatures{});
    const Motion m = silentMotion(tRight, beatRight);
    const Placed pr = placeStar(s, 2, tRight, m, cols, rows);
    ASSERT_EQ(pr.x, 0);
    EXPECT_EQ(fb->at(0, pr.y), (Cell{'#', starColour(s, 2, m), kStarBg}));
    const Color c = starColour(s, 2, m);
    const Cell wrappedTrail = {'*', {(unsigned char)(int)((float)c.r * 0.6f), (unsigned char)(int)((float)c.g * 0.6f),
                                     (unsigned char)(int)((float)c.b * 0.65f), 255}, kStarBg};
    EXPECT_NE(fb->at(cols - 1, pr.y), wrappedTrail);
}

TEST(StarfieldWarpFrame, GridsBelowTheMinimumAreLeftUntouched) {
    const int sizes[][2] = {{19, 20}, {20, 11}, {0, 0}};
    for (const auto& size : sizes) {
        auto fb = grid(size[0], size[1]);
        for (Cell& c : fb->cells) c = Cell{'?', {1, 2, 3, 255}, {4, 5, 6, 255}};
        BeatInfo beat = {};
        const AudioFeatures audio = scene_harness::scriptedAudio(1.0f);
        starfield_warp(*fb, 1.0f, kSceneBackground, &beat, &audio);
        for (const Cell& c : fb->cells) ASSERT_EQ(c, (Cell{'?', {1, 2, 3, 255}, {4, 5, 6, 255}}));
    }
    // The smallest grid drawn gets the minimum star count
    auto fb = grid(20, 12);
    renderFrame(*fb, 1.0f, 0.0f, AudioFeatures{});
    EXPECT_GT(checkVisibleStars(*fb, 1.0f, silentMotion(1.0f, 0.0f)), 60);
}

TEST(StarfieldWarpFrame, Deterministic) {
    const uint64_t value = scene_harness::determinismHash(starfield_warp);
    EXPECT_EQ(value, 9627653386732769129ull) << "actual " << value;
}
