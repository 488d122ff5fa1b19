// The scenes that write text: the boot console, the wave scrollers and the end credits.

#include <cstring>
#include <utility>

#include "math/hsv_color.h"
#include "scene_harness.h"
#include "scenes/end_credits.h"
#include "scenes/intro_boot.h"

namespace {

using namespace scene_harness;

// The text of row y from column 4, trailing spaces dropped
std::string bootRow(const AsciiFramebuffer& fb, int y) {
    std::string s;
    for (int x = 4; x < fb.cols; ++x) s += (char)fb.at(x, y).codepoint;
    return s.erase(s.find_last_not_of(' ') + 1);
}

// A time inside the visible half of the cursor's blink (2.4 blinks a second)
float visible(float t) { return floorf(t * 2.4f) / 2.4f + 0.05f; }

constexpr Color kLetterBg = {8, 10, 15, 255};
constexpr Cell kShadow = {'.', {10, 10, 16, 220}, kLetterBg};

// The cells that carry the letters' background: letters and their shadows, by index
std::vector<std::pair<int, Cell>> letterCells(const AsciiFramebuffer& fb) {
    std::vector<std::pair<int, Cell>> out;
    for (int i = 0; i < (int)fb.cells.size(); ++i) {
        if (fb.cells[i].bg == kLetterBg) out.push_back({i, Cell{fb.cells[i].codepoint, {}, kLetterBg}});
    }
    return out;
}

}  // namespace

TEST(IntroBoot, DurationsPromptAndAnchors) {
    EXPECT_NEAR(bootScriptDuration(false), 6.0887880f, 1e-6f);
    EXPECT_NEAR(bootScriptDuration(true), 7.8987880f, 1e-6f);
    EXPECT_NEAR(introDuration(), 6.1887879f, 1e-6f);
    EXPECT_NEAR(sceneSeconds(sceneFacts("intro_boot")), 6.1887879f, 1e-6f);
    EXPECT_TRUE(std::string(bootPrompt()) == "C:\\DEMO>" && bootPromptLine() == 14);
    const struct { const char* scene; int cols, rows, x, y; } kAnchors[] = {
        {"intro_boot", 36, 14, 11, 21}, {"plasma_storm", 120, 42, 60, 21}, {"plasma_storm", 7, 5, 3, 2}};
    for (const auto& k : kAnchors) {
        const CellPos p = transitionAnchor(*findScene(k.scene), k.cols, k.rows);
        EXPECT_TRUE(p.x == k.x && p.y == k.y) << k.scene << " " << k.cols << "x" << k.rows;
    }
}

TEST(IntroBoot, RowsAndCursorThroughTheScript) {
    // Row y's text at time t on a grid of cols x rows, and the cursor's cell (-1 when hidden)
    const struct { float t; int cols, rows, y; const char* text; int cursorX, cursorY; } kFrames[] = {
        {0.0f, 120, 42, 7, "_", 4, 7},
        {0.2f, 120, 42, 7, "C:\\> v_", 10, 7},  // 33 characters a second: 6 typed
        {visible(0.6f), 120, 42, 8, "MS-DOS Version 6.22", 4, 9},  // After an output line: the next row
        {3.4f, 120, 42, 12, "C:\\DEMO> demo.exe /safe /vga", 4, 13},  // In the pause: where output follows
        {visible(6.5f), 120, 42, 20, "stream: source id unresolved", 12, 21},
        {visible(6.5f), 120, 42, 21, "C:\\DEMO>_", 12, 21},
        {0.3125f + 6.25f, 120, 42, 21, "C:\\DEMO>", -1, -1},  // The hidden half of the blink
        {7.998788f, 120, 42, 7, "C:\\_", 7, 7},  // The script replays after 7.8988 s
        {visible(6.5f), 40, 14, 12, "C:\\DEMO> demo.exe /safe /vga_", 32, 12},  // The walk stops at row 12
        {visible(6.5f), 40, 8, 7, "", -1, -1},  // Fewer than 9 rows: nothing
    };
    for (const auto& k : kFrames) {
        SceneGrid g(intro_boot, k.cols, k.rows);
        const AsciiFramebuffer& fb = g.render(k.t).fb;
        EXPECT_EQ(bootRow(fb, k.y), k.text) << "t " << k.t;
        const auto cursor = std::find(fb.cells.begin(), fb.cells.end(), Cell{'_', {210, 250, 230, 255}, kSceneBackground});
        const int at = cursor == fb.cells.end() ? -1 : (int)(cursor - fb.cells.begin());
        EXPECT_EQ(at, k.cursorX < 0 ? -1 : k.cursorY * k.cols + k.cursorX) << "t " << k.t;
    }
}

TEST(IntroBoot, TextCellsTakeTheGivenBackgroundAndErrorsTheirColour) {
    AsciiFramebuffer fb(120, 42, 10, 18, FramebufferBacking::CellsOnly);
    intro_boot(fb, 6.5f, Color{1, 2, 3, 255}, nullptr, nullptr);
    EXPECT_EQ(fb.at(4, 20), (Cell{'s', {255, 140, 120, 255}, {1, 2, 3, 255}}));
    EXPECT_EQ(fb.at(0, 0).bg, kSceneBackground) << "untouched cells keep the cleared background";
}

TEST(WaveScroll, BandsRollWithTheBeatAndLoudPulsesWrapTheChannels) {
    SceneGrid g(wave_scroll);
    BeatInfo beat{};
    const AudioFeatures silent, pulse = audioLevels(0.0f, 0.0f, 0.0f, 1.0f);
    wave_scroll(g.fb, 0.0f, kSceneBackground, &beat, &silent);
    // Rows 0..11 lie above both scrollers: s = 0.5 on row 0, sin(1.5) on row 5
    EXPECT_EQ(g.at(0, 0), (Cell{32, {0, 0, 0, 255}, {4, 29, 51, 255}}));
    EXPECT_EQ(g.at(119, 0), g.at(0, 0));
    EXPECT_EQ(g.at(60, 5).bg, (Color{4, 43, 78, 255}));
    // Column 111 holds A's character 9 on row 15: hue 1.53, pulse 1.5, so red 299 is stored as 43
    wave_scroll(g.fb, 0.0f, kSceneBackground, &beat, &pulse);
    EXPECT_EQ(g.at(111, 15), (Cell{'R', {43, 185, 230, 255}, kSceneBackground}));
    beat.beatPos = 1.0f;  // Row 0 at s = sin(0.6) * 0.5 + 0.5
    wave_scroll(g.fb, 0.0f, kSceneBackground, &beat, &silent);
    EXPECT_EQ(g.at(7, 0).bg, (Color{4, 37, 67, 255}));
}

TEST(EndCredits, FlightsOfTheFirstLettersAndTheirEasing) {
    const CreditFlight a = creditFlight(0, 0), b = creditFlight(0, 1);
    EXPECT_TRUE(a.seed == 12345u && b.seed == 0x9E37A9EAu);
    EXPECT_NEAR(a.departure, 0.2203f, 1e-4f);
    EXPECT_NEAR(a.departure + a.duration, 2.5631f, 1e-4f);
    EXPECT_NEAR(creditFlight(3, 0).departure - a.departure, 0.45f, 1e-6f) << "0.15 s per line";
    const CreditPoint sa = creditStart(a, 120, 42), sb = creditStart(b, 120, 42);
    EXPECT_TRUE(fabsf(sa.x + 0.5703f * 120.0f) < 1e-2f && fabsf(sa.y + 0.3968f * 42.0f) < 1e-2f) << "left, above";
    EXPECT_TRUE(fabsf(sb.x - 1.907190f * 120.0f) < 1e-2f && fabsf(sb.y + 0.703987f * 42.0f) < 1e-2f) << "right, above";
    // Half-way the eased progress is 1 - 0.5^3: x = -68.44 + 101.44 * 0.875 = 20.3, y = 12.79
    const float t = a.departure + a.duration * 0.5f;
    SceneGrid g(end_credits);
    EXPECT_EQ(g.render(t).at(20, 13), (Cell{'V', showColorFromHsv(fmodf(42.0f * t, 360.0f), 0.78f, 0.96f), kLetterBg}));
    EXPECT_EQ(g.at(21, 14), kShadow);
    for (int cols : {20, 120, 430}) {  // Every start lies beyond an edge, shadow included
        SceneGrid first(end_credits, cols, cols == 20 ? 8 : cols * 7 / 20);
        EXPECT_TRUE(letterCells(first.render(0.0f, scriptedMusic(0.0f)).fb).empty()) << cols;
    }
}

TEST(EndCredits, LettersRestCentredAndSpacedWhateverTheMusic) {
    EXPECT_EQ(std::string(creditLine(0)) + "|" + creditLine(1) + "|" + creditLine(2) + "|" + creditLine(3),
              "VX demo, ascii framebuffer,|made with raylib and sleep deprivation,|by Zelto|music by: Morvan K");
    SceneGrid g(end_credits), narrow(end_credits, 60, 20), smallest(end_credits, 20, 8);
    const auto rest = letterCells(g.render(4.85f).fb);  // All landed by 0.45 + 1.2 + 3.2 s
    EXPECT_EQ(rest.size(), 2u * (24 + 34 + 7 + 15)) << "every letter and its shadow";
    // Centred, two columns a letter, every other row: the 39 letters of line 1 span columns 21 to 97
    EXPECT_TRUE(g.at(21, 19).codepoint == 'm' && g.at(22, 20) == kShadow && g.at(97, 19).codepoint == ',');
    // Hues turn 42 degrees a second, each letter 17 further; a stale record counts as silence
    g.render(5.0f, audioLevels(1.0f, 1.0f, 1.0f, 1.0f, false));
    EXPECT_EQ(g.at(33, 17), (Cell{'V', showColorFromHsv(210.0f, 0.78f, 0.96f), kLetterBg}));
    EXPECT_EQ(g.at(35, 17), (Cell{'X', showColorFromHsv(227.0f, 0.78f, 0.96f), kLetterBg}));
    for (float t = 5.0f; t < 14.0f; t += 0.77f) {  // Loud music wobbles the letters in place
        EXPECT_EQ(letterCells(g.render(t, audioLevels(1.0f, 1.0f, 1.0f, 1.0f)).fb), rest) << t;
    }
    // 60 columns cut "made " off the long line; the smallest grid drawn still shows letters
    EXPECT_EQ(narrow.render(6.0f, scriptedMusic(6.0f)).at(1, 8).codepoint, (uint32_t)'w');
    EXPECT_FALSE(letterCells(smallest.render(6.0f).fb).empty());
}

TEST(EndCredits, BackgroundCentreCellInBothGlyphSets) {
    // At the centre the segment is half a sector, pi / 8 in silence, and the rings vanish: v = 0.641,
    // dense index floor(22 v) = 14, block index floor(4 v) = 2
    SceneGrid g(end_credits), blocks(end_credits, 120, 42, true);
    const float seg = 3.14159265f / 8.0f, v = 0.5f + showCos(seg * 30.0f) * 0.2f;
    EXPECT_EQ(g.render(0.0f).at(60, 21).codepoint, (uint32_t)'M');
    EXPECT_EQ(g.at(60, 21).fg, showColorFromHsv(seg * 400.0f + 190.0f, 0.78f, v * 0.18f + 0.82f));
    EXPECT_EQ(blocks.render(0.0f).at(60, 21).codepoint, 0x2592u);
}
