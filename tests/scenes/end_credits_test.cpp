#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <utility>

#include "math/hsv_color.h"
#include "math/show_math.h"
#include "scene_harness.h"
#include "scenes/end_credits.h"
#include "scenes/ramps.h"
#include "scenes/scenes.h"

namespace {

constexpr Color kLetterBg = {8, 10, 15, 255};
constexpr Cell kShadow = {'.', {10, 10, 16, 220}, kLetterBg};

void renderFrame(AsciiFramebuffer& fb, float t, const AudioFeatures& audio = AudioFeatures{}, float beatPos = 0.0f,
                 float beatPhase = 0.0f) {
    BeatInfo beat = {};
    beat.beatPos = beatPos;
    beat.beatPhase = beatPhase;
    fb.clear(kSceneBackground);
    end_credits(fb, t, kSceneBackground, &beat, &audio);
}

int letterCells(const AsciiFramebuffer& fb) {
    return (int)std::count_if(fb.cells.begin(), fb.cells.end(), [](const Cell& c) { return c.bg == kLetterBg; });
}

// With every letter landed: each letter on its resting cell and its shadow below right; nothing
// else carries the letters' background. Returns the number of letters on the grid.
int expectLettersAtRest(const AsciiFramebuffer& fb) {
    int onGrid = 0, cellsExpected = 0;
    for (int line = 0; line < kCreditLineCount; ++line) {
        const char* text = creditLine(line);
        const int n = (int)strlen(text), ty = fb.rows / 2 - 4 + 2 * line;
        for (int i = 0, tx = fb.cols / 2 - n; i < n; ++i, tx += 2) {
            if (text[i] == ' ') continue;
            if (tx >= 0 && tx < fb.cols) {
                EXPECT_TRUE(fb.at(tx, ty).codepoint == (uint32_t)text[i] && fb.at(tx, ty).bg == kLetterBg)
                    << "line " << line << " letter " << i;
                ++onGrid;
            }
            if (tx + 1 >= 0 && tx + 1 < fb.cols) {
                EXPECT_EQ(fb.at(tx + 1, ty + 1), kShadow);
                ++cellsExpected;
            }
        }
    }
    EXPECT_EQ(letterCells(fb), onGrid + cellsExpected);
    return onGrid;
}

}  // namespace

TEST(EndCreditsFlight, FirstTwoLettersWorkedValuesAndEasing) {
    // Departure and landing follow from u1 ≈ 0.183547 and u2 ≈ 0.387770, the start from u3 ≈ 0.318025
    const CreditFlight a = creditFlight(0, 0);
    EXPECT_EQ(a.seed, 12345u);
    EXPECT_NEAR(a.departure, 0.2203f, 1e-4f);
    EXPECT_NEAR(a.departure + a.duration, 2.5631f, 1e-4f);
    const CreditPoint sa = creditStart(a, 120, 42);  // Left of and above the grid
    EXPECT_NEAR(sa.x, -0.5703f * 120.0f, 1e-2f);
    EXPECT_NEAR(sa.y, -0.3968f * 42.0f, 1e-2f);

    const CreditFlight b = creditFlight(0, 1);
    EXPECT_EQ(b.seed, 0x9E37A9EAu);
    const CreditPoint sb = creditStart(b, 120, 42);  // u1 ≈ 0.567484: right of the grid; u2 ≈ 0.369726: above
    EXPECT_NEAR(sb.x, 1.907190f * 120.0f, 1e-2f);
    EXPECT_NEAR(sb.y, -0.703987f * 42.0f, 1e-2f);

    // Later lines set off 0.15 s per line later; the hash does not depend on the line
    EXPECT_NEAR(creditFlight(3, 0).departure - a.departure, 0.45f, 1e-6f);

    // Half-way through its flight the first letter's eased progress is 1 − 0.5³ = 0.875:
    // x = −68.44 + (33 + 68.44)·0.875 = 20.3, y = −16.67 + (17 + 16.67)·0.875 = 12.79
    const float t = a.departure + a.duration * 0.5f;
    AsciiFramebuffer fb(120, 42, 10, 18, FramebufferBacking::CellsOnly);
    renderFrame(fb, t);
    EXPECT_EQ(fb.at(20, 13), (Cell{'V', showColorFromHsv(fmodf(42.0f * t, 360.0f), 0.78f, 0.96f), kLetterBg}));
    EXPECT_EQ(fb.at(21, 14), kShadow);
}

TEST(EndCreditsFlight, FirstFrameShowsTheBackgroundAlone) {
    // Every start point lies beyond an edge, shadow included, even on the smallest grid drawn
    for (const auto& size : {std::pair<int, int>{20, 8}, {120, 42}, {430, 150}}) {
        AsciiFramebuffer fb(size.first, size.second, 10, 18, FramebufferBacking::CellsOnly);
        renderFrame(fb, 0.0f, scene_harness::scriptedAudio(0.0f));
        EXPECT_EQ(letterCells(fb), 0) << size.first << "x" << size.second;
    }
}

TEST(EndCreditsRest, LinesSettleCentredAndLetterSpaced) {
    // By 0.45 + 1.2 + 3.2 = 4.85 s every letter has landed
    AsciiFramebuffer fb(120, 42, 10, 18, FramebufferBacking::CellsOnly);
    renderFrame(fb, 4.85f);
    EXPECT_EQ(expectLettersAtRest(fb), 24 + 34 + 7 + 15);
    // The credits read as written; the 39-letter line spans columns 21 to 97 on row 19
    EXPECT_EQ(std::string(creditLine(0)) + "|" + creditLine(1) + "|" + creditLine(2) + "|" + creditLine(3),
              "VX demo, ascii framebuffer,|made with raylib and sleep deprivation,|by Zelto|music by: Morvan K");
    EXPECT_EQ(fb.at(21, 19).codepoint, (uint32_t)'m');
    EXPECT_EQ(fb.at(97, 19).codepoint, (uint32_t)',');
    // The first letters' hues at 5 s without music (levels of a record not valid count as 0): 42
    // degrees per second, each letter 17 further
    AudioFeatures stale = scene_harness::audioLevels(1.0f, 1.0f, 1.0f, 1.0f);
    stale.valid = false;
    renderFrame(fb, 5.0f, stale);
    EXPECT_EQ(fb.at(33, 17), (Cell{'V', showColorFromHsv(210.0f, 0.78f, 0.96f), kLetterBg}));
    EXPECT_EQ(fb.at(35, 17), (Cell{'X', showColorFromHsv(227.0f, 0.78f, 0.96f), kLetterBg}));
    // Loud music wobbles the letters without moving them off their cells
    for (float t = 5.0f; t < 14.0f && !::testing::Test::HasFailure(); t += 0.77f) {
        renderFrame(fb, t, scene_harness::audioLevels(1.0f, 1.0f, 1.0f, 1.0f), t * 2.0833f, fmodf(t * 2.0833f, 1.0f));
        expectLettersAtRest(fb);
    }
}

TEST(EndCreditsRest, NarrowGridsCutTheLongLineAndTooSmallGridsAreLeftUntouched) {
    // 60 columns: the 39-letter line spans columns -9 to 67, so "made " falls off the left edge
    AsciiFramebuffer fb(60, 20, 10, 18, FramebufferBacking::CellsOnly);
    renderFrame(fb, 6.0f, scene_harness::scriptedAudio(6.0f), 12.0f, 0.3f);
    EXPECT_LT(expectLettersAtRest(fb), 80);
    EXPECT_EQ(fb.at(1, 8).codepoint, (uint32_t)'w');
    // The smallest grid is drawn; one column or one row fewer is not touched
    AsciiFramebuffer smallest(20, 8, 10, 18, FramebufferBacking::CellsOnly);
    renderFrame(smallest, 6.0f);
    EXPECT_GT(expectLettersAtRest(smallest), 0);
    for (const auto& size : {std::pair<int, int>{19, 42}, {120, 7}}) {
        AsciiFramebuffer small(size.first, size.second, 10, 18, FramebufferBacking::CellsOnly);
        AsciiFramebuffer cleared(size.first, size.second, 10, 18, FramebufferBacking::CellsOnly);
        renderFrame(small, 6.0f, scene_harness::scriptedAudio(6.0f));
        cleared.clear(kSceneBackground);
        EXPECT_EQ(scene_harness::firstDifferentCell(small, cleared), -1) << size.first << "x" << size.second;
    }
}

TEST(EndCreditsBackground, CentreCellColoursAndRampChoice) {
    // At the centre nx = ny = 0: seg is half a sector (pi / 8 without music) and the rings vanish
    AsciiFramebuffer fb(120, 42, 10, 18, FramebufferBacking::CellsOnly);
    renderFrame(fb, 0.0f);
    const float seg = 3.14159265f / 8.0f;
    const float v = 0.5f + showCos(seg * 30.0f) * 0.2f;     // 0.641
    EXPECT_EQ(fb.at(60, 21).codepoint, (uint32_t)'M');  // Dense index floor(22 * 0.641) = 14
    EXPECT_EQ(fb.at(60, 21).fg, showColorFromHsv(seg * 400.0f + 190.0f, 0.78f, v * 0.18f + 0.82f));
    for (int x = 0; x < fb.cols; ++x) {  // Each background dimmed from its own colour
        const Color c = fb.at(x, 0).fg;
        EXPECT_EQ(fb.at(x, 0).bg, (Color{(unsigned char)(int)(c.r * 0.11f), (unsigned char)(int)(c.g * 0.10f),
                                         (unsigned char)(int)(c.b * 0.14f), 255}));
    }
    fb.blockGlyphs = true;
    renderFrame(fb, 0.0f);
    EXPECT_EQ(fb.at(60, 21).codepoint, 0x2592u);  // Block index floor(4 · 0.641) = 2
}

TEST(EndCreditsBackground, Deterministic) {
    const uint64_t value = scene_harness::determinismHash(end_credits);
    EXPECT_EQ(value, 5875304041548196437ull) << "actual " << value;
}
