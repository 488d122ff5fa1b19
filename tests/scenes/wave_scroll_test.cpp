#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "math/show_math.h"
#include "scenes/scenes.h"
#include "tests/scenes/scene_harness.h"

namespace {

using scene_harness::SceneGrid;

const char* const kTextA = "  ZELTO PRESENTS // FIRST VX DEMO ASCII MODE  //  INTERSECTING WAVE STREAM A  //  ";
const char* const kTextB = "  VX DEMO 2026 // SYNTH LEAD + LIGHT KICK + LIGHT SNARE  //  INTERSECTING WAVE STREAM B  //  ";
constexpr Color kShadowA = {12, 18, 34, 255};
constexpr Color kShadowB = {30, 12, 20, 255};

// One frame with the beat clock at beatPos and beatPhase
void draw(SceneGrid& g, float t, float beatPos, float beatPhase, const AudioFeatures& audio = AudioFeatures{}) {
    BeatInfo beat{};
    beat.beatPos = beatPos;
    beat.beatPhase = beatPhase;
    g.fb.clear(kSceneBackground);
    wave_scroll(g.fb, t, kSceneBackground, &beat, &audio);
}

// The wave rows with every audio value 0
int silentRowA(int rows, int x, float t) {
    return rows / 2 - 4 + (int)roundf(showSin(0.11f * x - 1.8f * t) * 1.1f + showSin(0.33f * x + 3.6f * t) * 2.2f +
                                      showSin(0.88f * x + 10.0f * t) * 0.55f);
}
int silentRowB(int rows, int x, float t) {
    return rows / 2 + 2 + (int)roundf(-showSin(0.09f * x + 1.5f * t) * 1.0f + showSin(0.29f * x - 3.2f * t) * 2.0f +
                                      showSin(0.95f * x - 11.0f * t) * 0.5f);
}

bool isBand(const Cell& c) { return c.codepoint == 32u && c.fg == Color{0, 0, 0, 255} && c.bg != kSceneBackground; }

// Checks column x against the silent waves: train A shows text A's character iA, train B text B's
// character iB (negative: that train has none here). Each glyph has its shadow below, B is drawn over
// A, and every other cell is a band. Returns true when B covered A's glyph.
bool expectColumn(const AsciiFramebuffer& fb, int x, float t, int iA, int iB) {
    struct Expected {
        uint32_t glyph = ' ';
        const Color* shadow = nullptr;  // Null for a glyph or a band
        bool text = false;
    };
    std::vector<Expected> col(fb.rows);
    auto put = [&](int i, const char* text, int y, const Color& shadow) {
        if (i < 0 || y < 1 || y >= fb.rows - 1) return false;
        const bool covers = (col[y].text && !col[y].shadow) || (col[y + 1].text && !col[y + 1].shadow);
        const uint32_t c = (uint32_t)text[i % (int)strlen(text)];
        col[y + 1] = {c, &shadow, true};
        col[y] = {c, nullptr, true};
        return covers;
    };
    put(iA, kTextA, silentRowA(fb.rows, x, t), kShadowA);
    const bool covered = put(iB, kTextB, silentRowB(fb.rows, x, t), kShadowB);
    for (int y = 0; y < fb.rows; y++) {
        const Cell& c = fb.at(x, y);
        EXPECT_EQ(c.codepoint, col[y].glyph) << "cell " << x << "," << y;
        if (!col[y].text) {
            EXPECT_TRUE(isBand(c)) << "cell " << x << "," << y;
        } else {
            EXPECT_EQ(c.bg, kSceneBackground);
            EXPECT_TRUE(col[y].shadow ? c.fg == *col[y].shadow : c.fg != kShadowA && c.fg != kShadowB) << x << "," << y;
        }
    }
    return covered;
}

}  // namespace

TEST(WaveScrollBackground, SilentBandsRollWithTheBeat) {
    SceneGrid g(wave_scroll, 120, 42);
    draw(g, 0.0f, 0.0f, 0.0f);
    // Rows 0..11 lie above both scrollers: only bands. s = 0.5 on row 0, sin(1.5) on row 5.
    EXPECT_EQ(g.fb.at(0, 0), (Cell{32, {0, 0, 0, 255}, {4, 29, 51, 255}}));
    EXPECT_EQ(g.fb.at(119, 0), g.fb.at(0, 0));
    EXPECT_EQ(g.fb.at(60, 5).bg, (Color{4, 43, 78, 255}));
    // At beatPos 1, row 0 has s = sin(0.6) * 0.5 + 0.5 = 0.7823
    draw(g, 0.0f, 1.0f, 0.0f);
    EXPECT_EQ(g.fb.at(7, 0).bg, (Color{4, 37, 67, 255}));
}

TEST(WaveScrollBackground, InvalidAudioIsIgnoredWhateverItsFields) {
    AudioFeatures noisy = scene_harness::audioLevels(0.9f, 0.9f, 0.9f, 0.9f);
    SceneGrid quiet(wave_scroll, 120, 42), loud(wave_scroll, 120, 42);
    quiet.render(0.7f);
    loud.render(0.7f, noisy);
    EXPECT_NE(scene_harness::hashCells(quiet.fb), scene_harness::hashCells(loud.fb)) << "valid audio counts";
    noisy.valid = false;
    loud.render(0.7f, noisy);
    EXPECT_EQ(scene_harness::hashCells(quiet.fb), scene_harness::hashCells(loud.fb));
}

TEST(WaveScrollBackground, GridsBelowThreeRowsShowOnlyBands) {
    for (int rows : {1, 2, 3}) {
        SceneGrid g(wave_scroll, 40, rows);
        draw(g, 0.0f, 0.0f, 0.0f);
        // Three rows leave row 1 for glyphs, with their shadows on row 2
        for (int x = 0; x < 40; x++) expectColumn(g.fb, x, 0.0f, 40 - x, x);
    }
}

TEST(WaveScrollScrollers, BeatZeroFillsBothTrainsFromTheirFirstCharacters) {
    // Remainders 0: train A shows characters cols - x, train B characters x
    SceneGrid g(wave_scroll, 120, 42);
    int covered = 0;
    for (float t : {0.0f, 0.35f, 1.2f, 2.9f}) {
        draw(g, t, 0.0f, 0.0f);
        for (int x = 0; x < 120; x++) covered += expectColumn(g.fb, x, t, 120 - x, x);
    }
    EXPECT_GT(covered, 0) << "the waves should cross somewhere, with B on top";
}

TEST(WaveScrollScrollers, RemaindersOpenGapsAtTheEdges) {
    // beatPos 2.5: offA = floor(15.5) = 15, offB = floor(12.75) = 12; both trains are full
    SceneGrid g(wave_scroll, 120, 42);
    draw(g, 0.5f, 2.5f, 0.5f);
    for (int x = 0; x < 120; x++) expectColumn(g.fb, x, 0.5f, 120 + 15 - x, x + 12);
    // beatPos 24.25: remA = 150 of span 214, so A's last character (213) sits at column 57 and
    // columns 0..56 are empty; remB = 123 of span 225, B's last character (224) at column 101.
    draw(g, 0.5f, 24.25f, 0.25f);
    for (int x = 0; x < 120; x++) expectColumn(g.fb, x, 0.5f, x >= 57 ? 120 + 150 - x : -1, x <= 101 ? x + 123 : -1);
}

TEST(WaveScrollColour, PulseAboveOneWrapsTheChannels) {
    // Audio beat 1 on the clock's beat: pulse = 1 * 0.4 + 0.6 + 0.5 = 1.5; levels 0 keep the waves silent
    SceneGrid g(wave_scroll, 120, 42);
    draw(g, 0.0f, 0.0f, 0.0f, scene_harness::audioLevels(0.0f, 0.0f, 0.0f, 1.0f));
    // Column 111 holds A's character 9, clear of B: h = 1.53, red 0.99958 * 120 * 1.5 + 120 = 299, stored as 43
    const int y = silentRowA(42, 111, 0.0f);
    ASSERT_GT(silentRowB(42, 111, 0.0f), y);
    EXPECT_EQ(g.fb.at(111, y), (Cell{'R', {43, 185, 230, 255}, kSceneBackground}));
}

TEST(WaveScrollDeterminism, StoredHash) {
    const uint64_t value = scene_harness::determinismHash(wave_scroll);
    EXPECT_EQ(value, 16150872769168288980ull) << "actual " << value;
}
