#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>

#include "scene_harness.h"
#include "scenes/end_credits.h"
#include "scenes/ramps.h"
#include "scenes/scenes.h"

namespace {

constexpr Color kLetterBg = {8, 10, 15, 255};
constexpr Color kShadow = {10, 10, 16, 220};

std::unique_ptr<AsciiFramebuffer> grid(int cols, int rows, bool blocks = false) {
    auto fb = std::make_unique<AsciiFramebuffer>(cols, rows, 10, 18, FramebufferBacking::CellsOnly);
    fb->blockGlyphs = blocks;
    return fb;
}

void renderFrame(AsciiFramebuffer& fb, float t, const AudioFeatures& audio = AudioFeatures{}, float beatPos = 0.0f,
                 float beatPhase = 0.0f) {
    BeatInfo beat = {};
    beat.beatPos = beatPos;
    beat.beatPhase = beatPhase;
    fb.clear(kSceneBackground);
    end_credits(fb, t, kSceneBackground, &beat, &audio);
}

int countLetterBackgrounds(const AsciiFramebuffer& fb) {
    int n = 0;
    for (const Cell& c : fb.cells) n += c.bg == kLetterBg ? 1 : 0;
    return n;
}

// With every letter landed: each letter on its resting cell and its shadow below right; nothing
// else carries the letters' background. Returns the number of letters on the grid.
int expectLettersAtRest(const AsciiFramebuffer& fb) {
    int onGrid = 0, cellsExpected = 0;
    for (int line = 0; line < kCreditLineCount; ++line) {
        const char* text = creditLine(line);
        const int n = (int)strlen(text);
        const int ty = fb.rows / 2 - 4 + 2 * line;
        for (int i = 0; i < n; ++i) {
            if (text[i] == ' ') continue;
            const int tx = fb.cols / 2 - n + 2 * i;
            const bool letterIn = tx >= 0 && tx < fb.cols && ty >= 0 && ty < fb.rows;
            const bool shadowIn = tx + 1 >= 0 && tx + 1 < fb.cols && ty + 1 >= 0 && ty + 1 < fb.rows;
            if (letterIn) {
                EXPECT_EQ(fb.at(tx, ty).codepoint, (uint32_t)(unsigned char)text[i]) << "line " << line << " letter " << i;
                EXPECT_EQ(fb.at(tx, ty).bg, kLetterBg);
                ++onGrid;
            }
            if (shadowIn) {
                EXPECT_EQ(fb.at(tx + 1, ty + 1), (Cell{'.', kShadow, kLetterBg}));
            }
            cellsExpected += (letterIn ? 1 : 0) + (shadowIn ? 1 : 0);
        }
    }
    EXPECT_EQ(countLetterBackgrounds(fb), cellsExpected);
    return onGrid;
}

}  // namespace

TEST(EndCreditsText, LinesReadAsWritten) {
    EXPECT_STREQ(creditLine(0), "VX demo, ascii framebuffer,");
    EXPECT_STREQ(creditLine(1), "made with raylib and sleep deprivation,");
    EXPECT_STREQ(creditLine(2), "by Zelto");
    EXPECT_STREQ(creditLine(3), "music by: Morvan K");
    EXPECT_EQ(strlen(creditLine(1)), 39u);
}

TEST(EndCreditsFlight, FirstTwoLettersWorkedValues) {
    const CreditFlight a = creditFlight(0, 0);
    EXPECT_EQ(a.seed, 12345u);
    EXPECT_NEAR(a.u1, 0.183547f, 1e-6f);
    EXPECT_NEAR(a.u2, 0.387770f, 1e-6f);
    EXPECT_NEAR(a.u3, 0.318025f, 1e-6f);
    EXPECT_NEAR(a.departure, 0.2203f, 1e-4f);
    EXPECT_NEAR(a.departure + a.duration, 2.5631f, 1e-4f);
    const CreditPoint sa = creditStart(a, 120, 42);  // Left of and above the grid
    EXPECT_NEAR(sa.x, -0.5703f * 120.0f, 1e-2f);
    EXPECT_NEAR(sa.y, -0.3968f * 42.0f, 1e-2f);

    const CreditFlight b = creditFlight(0, 1);
    EXPECT_EQ(b.seed, 0x9E37A9EAu);
    EXPECT_NEAR(b.u1, 0.567484f, 1e-6f);
    EXPECT_NEAR(b.u2, 0.369726f, 1e-6f);
    EXPECT_NEAR(b.u3, 0.949635f, 1e-6f);
    EXPECT_NEAR(b.departure, 0.680981f, 1e-5f);
    EXPECT_NEAR(b.departure + b.duration, 2.998597f, 1e-5f);
    const CreditPoint sb = creditStart(b, 120, 42);  // Right of and above the grid
    EXPECT_NEAR(sb.x, 1.907190f * 120.0f, 1e-2f);
    EXPECT_NEAR(sb.y, -0.703987f * 42.0f, 1e-2f);

    // Later lines set off 0.15 s per line later; the hash does not depend on the line
    const CreditFlight c = creditFlight(3, 0);
    EXPECT_EQ(c.u1, a.u1);
    EXPECT_NEAR(c.departure - a.departure, 0.45f, 1e-6f);
}

TEST(EndCreditsFlight, EveryLetterStartsOffGridAndLandsBy4_85s) {
    uint32_t g = 0;
    for (int line = 0; line < kCreditLineCount; ++line) {
        for (size_t i = 0; i < strlen(creditLine(line)); ++i, ++g) {
            const CreditFlight f = creditFlight(line, g);
            EXPECT_GE(f.departure, 0.15f * (float)line);
            EXPECT_LT(f.departure, 0.15f * (float)line + 1.2f);
            EXPECT_GE(f.duration, 1.8f);
            EXPECT_LT(f.duration, 3.2f);
            EXPECT_LE(f.departure + f.duration, 4.85f);
            for (const auto& size : {std::pair<int, int>{20, 8}, {120, 42}, {430, 150}}) {
                // Beyond an edge by at least 0.25 of the grid, shadow included
                const CreditPoint s = creditStart(f, size.first, size.second);
                EXPECT_TRUE(roundf(s.x) + 1.0f < 0.0f || roundf(s.x) >= (float)size.first) << "g " << g;
                EXPECT_TRUE(roundf(s.y) + 1.0f < 0.0f || roundf(s.y) >= (float)size.second) << "g " << g;
            }
        }
    }
    EXPECT_EQ(g, 27u + 39u + 8u + 18u);

    auto fb = grid(120, 42);
    renderFrame(*fb, 0.0f, scene_harness::scriptedAudio(0.0f));
    EXPECT_EQ(countLetterBackgrounds(*fb), 0) << "the first frame shows the background alone";
}

TEST(EndCreditsFlight, FirstLetterMidFlightFollowsTheEasing) {
    // Half-way through its flight the eased progress is 1 - 0.5^3 = 0.875
    const CreditFlight f = creditFlight(0, 0);
    const float t = f.departure + f.duration * 0.5f;
    auto fb = grid(120, 42);
    renderFrame(*fb, t);
    // x: -68.44 + (33 + 68.44) * 0.875 = 20.3; y: -16.67 + (17 + 16.67) * 0.875 = 12.79
    EXPECT_EQ(fb->at(20, 13).codepoint, (uint32_t)'V');
    EXPECT_EQ(fb->at(21, 14), (Cell{'.', kShadow, kLetterBg}));
    EXPECT_EQ(fb->at(20, 13).fg, ColorFromHSV(fmodf(42.0f * t, 360.0f), 0.78f, 0.96f));
}

TEST(EndCreditsFlight, LettersApproachTheirRestingCellWithoutTurningBack) {
    // 'Z' of "by Zelto": line 2, letter 3, running index 27 + 39 + 3
    const CreditFlight f = creditFlight(2, 69);
    const CreditPoint s = creditStart(f, 120, 42);
    const int tx = 60 - 8 + 6, ty = 21 - 4 + 4;
    auto fb = grid(120, 42);
    float lastDistance = 1e9f;
    bool seen = false;
    for (int frame = 0; frame <= 300; ++frame) {
        const float t = (float)frame / 60.0f;
        renderFrame(*fb, t);
        for (int y = 0; y < fb->rows; ++y) {
            for (int x = 0; x < fb->cols; ++x) {
                if (fb->at(x, y).codepoint != 'Z' || fb->at(x, y).bg != kLetterBg) continue;
                if (!seen) {
                    // It enters from the side it started on
                    EXPECT_EQ(s.x < 0.0f, x <= tx);
                    EXPECT_EQ(s.y < 0.0f, y <= ty);
                }
                seen = true;
                const float d = hypotf((float)(x - tx), (float)(y - ty));
                EXPECT_LE(d, lastDistance) << "t " << t;
                lastDistance = d;
            }
        }
    }
    EXPECT_TRUE(seen);
    EXPECT_EQ(lastDistance, 0.0f);
}

TEST(EndCreditsRest, LinesSettleCentredAndLetterSpaced) {
    auto fb = grid(120, 42);
    renderFrame(*fb, 4.85f);
    EXPECT_EQ(expectLettersAtRest(*fb), 24 + 34 + 7 + 15);
    // The 39-letter line spans columns 21 to 97 on row 19
    EXPECT_EQ(fb->at(21, 19).codepoint, (uint32_t)'m');
    EXPECT_EQ(fb->at(97, 19).codepoint, (uint32_t)',');
    EXPECT_NE(fb->at(20, 19).bg, kLetterBg);
    EXPECT_NE(fb->at(98, 19).bg, kLetterBg);
    // The first letters' hues at 5 s without music: 42 degrees per second
    renderFrame(*fb, 5.0f);
    EXPECT_EQ(fb->at(33, 17).codepoint, (uint32_t)'V');
    EXPECT_EQ(fb->at(33, 17).fg, ColorFromHSV(210.0f, 0.78f, 0.96f));
    EXPECT_EQ(fb->at(35, 17).codepoint, (uint32_t)'X');  // Each letter 17 degrees further
    EXPECT_EQ(fb->at(35, 17).fg, ColorFromHSV(227.0f, 0.78f, 0.96f));
}

TEST(EndCreditsRest, LoudMusicWobblesLettersWithoutMovingThemOffTheirCells) {
    AudioFeatures loud;
    loud.valid = true;
    loud.bass = loud.mid = loud.treble = loud.beat = 1.0f;
    auto fb = grid(120, 42);
    for (float t = 5.0f; t < 14.0f; t += 0.37f) {
        renderFrame(*fb, t, loud, t * 2.0833f, fmodf(t * 2.0833f, 1.0f));
        expectLettersAtRest(*fb);
        if (::testing::Test::HasFailure()) break;
    }
}

TEST(EndCreditsRest, NarrowGridsCutTheLongLine) {
    // 60 columns: the 39-letter line spans columns -9 to 67
    auto fb = grid(60, 20);
    renderFrame(*fb, 6.0f, scene_harness::scriptedAudio(6.0f), 12.0f, 0.3f);
    EXPECT_LT(expectLettersAtRest(*fb), 80);
    EXPECT_EQ(fb->at(1, 8).codepoint, (uint32_t)'w');  // "made " falls off the left edge
    EXPECT_NE(fb->at(0, 8).bg, kLetterBg);

    // The smallest grid drawn
    auto small = grid(20, 8);
    renderFrame(*small, 6.0f);
    EXPECT_GT(expectLettersAtRest(*small), 0);
}

TEST(EndCreditsBackground, CentreCellAndRampChoice) {
    // At the centre nx = ny = 0: seg is half a sector (pi / 8 without music) and the rings vanish
    auto fb = grid(120, 42);
    renderFrame(*fb, 0.0f);
    const float seg = 3.14159265f / 8.0f;
    const float v = 0.5f + cosf(seg * 30.0f) * 0.2f;  // 0.641
    EXPECT_EQ(fb->at(60, 21).codepoint, (uint32_t)'M');  // Dense index floor(22 * 0.641) = 14
    const Color fg = fb->at(60, 21).fg;
    EXPECT_EQ(fg, ColorFromHSV(seg * 400.0f + 190.0f, 0.78f, v * 0.18f + 0.82f));
    EXPECT_EQ(fb->at(60, 21).bg,
              (Color{(unsigned char)(int)(fg.r * 0.11f), (unsigned char)(int)(fg.g * 0.10f),
                     (unsigned char)(int)(fg.b * 0.14f), 255}));

    // Every background cell: a ramp glyph and a background dimmed from its own colour
    auto blocks = grid(120, 42, true);
    renderFrame(*blocks, 2.0f, scene_harness::scriptedAudio(2.0f), 7.0f, 0.4f);
    const CharRamp ramp = charRamp(RampStyle::Block);
    int rampCells = 0;
    for (const Cell& c : blocks->cells) {
        if (c.bg == kLetterBg) continue;
        bool inRamp = false;
        for (int i = 0; i < ramp.length; ++i) inRamp = inRamp || ramp.codepoints[i] == c.codepoint;
        ASSERT_TRUE(inRamp) << c.codepoint;
        ASSERT_EQ(c.bg, (Color{(unsigned char)(int)(c.fg.r * 0.11f), (unsigned char)(int)(c.fg.g * 0.10f),
                               (unsigned char)(int)(c.fg.b * 0.14f), 255}));
        ++rampCells;
    }
    EXPECT_GT(rampCells, 120 * 42 - 2 * 80);
}

TEST(EndCreditsBackground, GridsBelowTheMinimumAreLeftUntouched) {
    const int sizes[][2] = {{19, 42}, {120, 7}, {0, 0}};
    for (const auto& size : sizes) {
        auto fb = grid(size[0], size[1]);
        for (Cell& c : fb->cells) c = Cell{'?', {1, 2, 3, 255}, {4, 5, 6, 255}};
        const BeatInfo beat = scene_harness::beatAt(5.0f);
        const AudioFeatures audio = scene_harness::scriptedAudio(5.0f);
        end_credits(*fb, 5.0f, kSceneBackground, &beat, &audio);
        for (const Cell& c : fb->cells) ASSERT_EQ(c, (Cell{'?', {1, 2, 3, 255}, {4, 5, 6, 255}}));
    }
}

TEST(EndCreditsBackground, Deterministic) {
    const uint64_t value = scene_harness::determinismHash(end_credits);
    EXPECT_EQ(value, 6534300166497088043ull) << "actual " << value;
}
