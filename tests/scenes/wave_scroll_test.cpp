#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "scenes/scenes.h"
#include "tests/scenes/scene_harness.h"

namespace {

const char* const kTextA = "  ZELTO PRESENTS // FIRST VX DEMO ASCII MODE  //  INTERSECTING WAVE STREAM A  //  ";
const char* const kTextB = "  VX DEMO 2026 // SYNTH LEAD + LIGHT KICK + LIGHT SNARE  //  INTERSECTING WAVE STREAM B  //  ";
constexpr Color kBlack = {0, 0, 0, 255};
constexpr Color kShadowA = {12, 18, 34, 255};
constexpr Color kShadowB = {30, 12, 20, 255};

BeatInfo beatOf(float beatPos, float beatPhase) {
    BeatInfo b{};
    b.beatPos = beatPos;
    b.beatPhase = beatPhase;
    return b;
}

struct Grid {
    AsciiFramebuffer fb;
    Grid(int cols, int rows) : fb(cols, rows, 10, 18, FramebufferBacking::CellsOnly) {}
    void render(float t, const BeatInfo& beat, const AudioFeatures& audio) {
        fb.clear(kSceneBackground);
        wave_scroll(fb, t, kSceneBackground, &beat, &audio);
    }
};

// The wave rows with every audio value 0
int silentRowA(int rows, int x, float t) {
    const float xf = (float)x;
    const float w = sinf(0.11f * xf - 1.8f * t) * 1.1f + sinf(0.33f * xf + 3.6f * t) * 2.2f +
                    sinf(0.88f * xf + 10.0f * t) * 0.55f;
    return rows / 2 - 4 + (int)roundf(w);
}
int silentRowB(int rows, int x, float t) {
    const float xf = (float)x;
    const float w = -sinf(0.09f * xf + 1.5f * t) * 1.0f + sinf(0.29f * xf - 3.2f * t) * 2.0f +
                    sinf(0.95f * xf - 11.0f * t) * 0.5f;
    return rows / 2 + 2 + (int)roundf(w);
}

bool isBand(const Cell& c) { return c.codepoint == 32u && c.fg == kBlack && c.bg != kSceneBackground; }

// Checks one column against the silent waves: train A shows text A character iA, train B text B
// character iB (negative: no character of that train here). Returns true when B hid A's glyph.
bool expectColumn(const AsciiFramebuffer& fb, int x, float t, int iA, int iB) {
    const int yA = silentRowA(fb.rows, x, t);
    const int yB = silentRowB(fb.rows, x, t);
    const bool aDrawn = iA >= 0 && yA >= 1 && yA < fb.rows - 1;
    const bool bDrawn = iB >= 0 && yB >= 1 && yB < fb.rows - 1;
    auto underB = [&](int y) { return bDrawn && (y == yB || y == yB + 1); };
    const bool bCovers = underB(yA);
    if (bDrawn) {
        EXPECT_EQ(fb.at(x, yB).codepoint, (uint32_t)kTextB[iB % 93]) << "column " << x;
        EXPECT_NE(fb.at(x, yB).fg, kShadowB) << "column " << x;
        EXPECT_EQ(fb.at(x, yB).bg, kSceneBackground);
        EXPECT_EQ(fb.at(x, yB + 1).codepoint, (uint32_t)kTextB[iB % 93]);
        EXPECT_EQ(fb.at(x, yB + 1).fg, kShadowB) << "column " << x;
    }
    if (aDrawn && !bCovers) {
        EXPECT_EQ(fb.at(x, yA).codepoint, (uint32_t)kTextA[iA % 82]) << "column " << x;
        EXPECT_NE(fb.at(x, yA).fg, kShadowA) << "column " << x;
        EXPECT_EQ(fb.at(x, yA).bg, kSceneBackground);
        if (!underB(yA + 1)) {
            EXPECT_EQ(fb.at(x, yA + 1).fg, kShadowA) << "column " << x;
        }
    }
    // Every other cell of the column is a band
    for (int y = 0; y < fb.rows; y++) {
        const bool text = (aDrawn && (y == yA || y == yA + 1)) || (bDrawn && (y == yB || y == yB + 1));
        if (!text) {
            EXPECT_TRUE(isBand(fb.at(x, y))) << "cell " << x << "," << y;
        }
    }
    return aDrawn && bCovers;
}

}  // namespace

TEST(WaveScrollBackground, SilentBandsAtTimeZero) {
    Grid g(120, 42);
    g.render(0.0f, beatOf(0.0f, 0.0f), AudioFeatures{});
    // Rows 0..11 lie above both scrollers: only bands. s = 0.5 on row 0, sin(1.5) on row 5.
    for (int x = 0; x < 120; x++) {
        EXPECT_EQ(g.fb.at(x, 0).codepoint, 32u);
        EXPECT_EQ(g.fb.at(x, 0).fg, kBlack);
        EXPECT_EQ(g.fb.at(x, 0).bg, (Color{4, 29, 51, 255})) << "column " << x;
        EXPECT_EQ(g.fb.at(x, 5).bg, (Color{4, 43, 78, 255})) << "column " << x;
    }
    // The bands roll with the beat: at beatPos 1, row 0 has s = sin(0.6) * 0.5 + 0.5 = 0.7823
    g.render(0.0f, beatOf(1.0f, 0.0f), AudioFeatures{});
    EXPECT_EQ(g.fb.at(7, 0).bg, (Color{4, 37, 67, 255}));
}

TEST(WaveScrollBackground, InvalidAudioIsIgnoredWhateverItsFields) {
    AudioFeatures noisy;
    noisy.valid = false;
    noisy.bass = noisy.mid = noisy.treble = noisy.beat = 0.9f;
    Grid quiet(120, 42), loud(120, 42);
    for (float t : {0.0f, 0.7f, 3.1f}) {
        quiet.render(t, scene_harness::beatAt(t), AudioFeatures{});
        loud.render(t, scene_harness::beatAt(t), noisy);
        EXPECT_EQ(scene_harness::hashCells(quiet.fb), scene_harness::hashCells(loud.fb)) << "t " << t;
    }
    // Valid audio does change the picture
    noisy.valid = true;
    loud.render(0.7f, scene_harness::beatAt(0.7f), noisy);
    quiet.render(0.7f, scene_harness::beatAt(0.7f), AudioFeatures{});
    EXPECT_NE(scene_harness::hashCells(quiet.fb), scene_harness::hashCells(loud.fb));
}

TEST(WaveScrollBackground, GridsBelowThreeRowsShowOnlyBands) {
    for (int rows : {1, 2}) {
        Grid g(40, rows);
        g.render(0.0f, beatOf(0.0f, 0.0f), AudioFeatures{});
        for (const Cell& c : g.fb.cells) EXPECT_TRUE(isBand(c)) << rows << " rows";
    }
    // Three rows leave row 1 for glyphs, with their shadows on row 2
    Grid g(40, 3);
    g.render(0.0f, beatOf(0.0f, 0.0f), AudioFeatures{});
    int glyphs = 0;
    for (int x = 0; x < 40; x++) {
        EXPECT_TRUE(isBand(g.fb.at(x, 0)));
        if (!isBand(g.fb.at(x, 1))) {
            glyphs++;
            EXPECT_EQ(g.fb.at(x, 2).codepoint, g.fb.at(x, 1).codepoint);
        }
    }
    EXPECT_GT(glyphs, 0);
}

TEST(WaveScrollScrollers, BeatZeroFillsBothTrainsFromTheirFirstCharacters) {
    // Remainders 0: train A shows characters cols - x, train B characters x
    Grid g(120, 42);
    int covered = 0;
    for (float t : {0.0f, 0.35f, 1.2f, 2.9f}) {
        g.render(t, beatOf(0.0f, 0.0f), AudioFeatures{});
        for (int x = 0; x < 120; x++) covered += expectColumn(g.fb, x, t, 120 - x, x);
    }
    EXPECT_GT(covered, 0) << "the waves should cross somewhere, with B on top";
}

TEST(WaveScrollScrollers, RemaindersOpenGapsAtTheEdges) {
    // beatPos 2.5: offA = floor(15.5) = 15, offB = floor(12.75) = 12; both trains are full
    Grid g(120, 42);
    g.render(0.5f, beatOf(2.5f, 0.5f), AudioFeatures{});
    for (int x = 0; x < 120; x++) expectColumn(g.fb, x, 0.5f, 120 + 15 - x, x + 12);

    // beatPos 24.25: remA = 150 of span 214, so A's last character (213) sits at column 57 and
    // columns 0..56 are empty; remB = 123 of span 225, B's last character (224) at column 101.
    g.render(0.5f, beatOf(24.25f, 0.25f), AudioFeatures{});
    for (int x = 0; x < 120; x++) {
        expectColumn(g.fb, x, 0.5f, x >= 57 ? 120 + 150 - x : -1, x <= 101 ? x + 123 : -1);
    }
}

TEST(WaveScrollColour, PulseAboveOneWrapsTheChannels) {
    // Audio beat 1 on the clock's beat: pulse = 1 * 0.4 + 0.6 + 0.5 = 1.5; levels 0 keep the waves silent
    AudioFeatures audio;
    audio.valid = true;
    audio.beat = 1.0f;
    Grid g(120, 42);
    g.render(0.0f, beatOf(0.0f, 0.0f), audio);

    // Column 111 holds A's character 9: h = 1.53, red (0.99958 * 120 * 1.5 + 120) = 299 -> 43
    const int y = silentRowA(42, 111, 0.0f);
    ASSERT_NE(silentRowB(42, 111, 0.0f), y);
    ASSERT_NE(silentRowB(42, 111, 0.0f) + 1, y);
    EXPECT_EQ(g.fb.at(111, y).codepoint, (uint32_t)'R');
    EXPECT_EQ(g.fb.at(111, y).fg, (Color{43, 185, 230, 255}));

    // Unwrapped, A's red would be 120..300 and B's red 230..266: every value outside lies in the wrap
    int wrapped = 0;
    for (int x = 0; x < 120; x++) {
        const int yA = silentRowA(42, x, 0.0f), yB = silentRowB(42, x, 0.0f);
        if (yA != yB && yA != yB + 1) {
            const int r = g.fb.at(x, yA).fg.r;
            EXPECT_TRUE(r >= 120 || r <= 44) << "column " << x << " red " << r;
            wrapped += r <= 44;
        }
        const int rB = g.fb.at(x, yB).fg.r;
        EXPECT_TRUE(rB >= 230 || rB <= 10) << "column " << x << " red " << rB;
        wrapped += rB <= 10;
    }
    EXPECT_GT(wrapped, 10);
}

TEST(WaveScrollDeterminism, StoredHash) {
    const uint64_t value = scene_harness::determinismHash(wave_scroll);
    EXPECT_EQ(value, 16150872769168288980ull) << "actual " << value;
}
