#include <gtest/gtest.h>

#include <string>

#include "scene_harness.h"
#include "scenes/intro_boot.h"
#include "scenes/scenes.h"

namespace {

constexpr uint32_t kCursor = '_';

struct BootFrame {
    AsciiFramebuffer fb;
    explicit BootFrame(float sceneTime, int cols = 120, int rows = 42)
        : fb(cols, rows, 10, 18, FramebufferBacking::CellsOnly) {
        intro_boot(fb, sceneTime, kSceneBackground, nullptr, nullptr);
    }
    // The text of screen row y from column 4 up to the first space-only stretch at its end.
    std::string row(int y) const {
        std::string s;
        for (int x = 4; x < fb.cols; ++x) s += (char)fb.at(x, y).codepoint;
        while (!s.empty() && s.back() == ' ') s.pop_back();
        return s;
    }
    // Position of the one cursor cell on the grid, or (-1, -1).
    CellPos cursor() const {
        for (int y = 0; y < fb.rows; ++y) {
            for (int x = 0; x < fb.cols; ++x) {
                if (fb.at(x, y).codepoint == kCursor && fb.at(x, y).fg == (Color{210, 250, 230, 255})) return {x, y};
            }
        }
        return {-1, -1};
    }
};

// Scene times inside the visible half of the cursor's blink (0.2083 s periods)
constexpr float kBlinkPeriod = 1.0f / 2.4f;
float visible(float t) { return floorf(t / kBlinkPeriod) * kBlinkPeriod + 0.05f; }

}  // namespace

TEST(IntroBootScript, DurationsPromptAndAnchor) {
    EXPECT_NEAR(bootScriptDuration(false), 6.0887880f, 1e-6f);
    EXPECT_NEAR(bootScriptDuration(true), 7.8987880f, 1e-6f);
    EXPECT_NEAR(introDuration(*findScene("intro_boot")), 6.1887879f, 1e-6f);
    EXPECT_EQ(introDuration(*findScene("cube")), -1.0f);
    EXPECT_STREQ(bootPrompt(), "C:\\DEMO>");
    EXPECT_EQ(bootPromptLine(), 14);

    const CellPos boot = transitionAnchor(*findScene("intro_boot"), 36, 14);
    EXPECT_EQ(boot.x, 11);
    EXPECT_EQ(boot.y, 21) << "the prompt's cell whatever the grid size";
    const CellPos centre = transitionAnchor(*findScene("plasma_storm"), 120, 42);
    EXPECT_EQ(centre.x, 60);
    EXPECT_EQ(centre.y, 21);
    const CellPos tiny = transitionAnchor(*findScene("plasma_storm"), 7, 5);
    EXPECT_EQ(tiny.x, 3);
    EXPECT_EQ(tiny.y, 2);
}

TEST(IntroBoot, AtTimeZeroOnlyTheCursorShows) {
    const BootFrame f(0.0f);
    EXPECT_EQ(f.row(7), "_");
    EXPECT_EQ(f.cursor().x, 4);
    EXPECT_EQ(f.cursor().y, 7);
}

TEST(IntroBoot, CommandIsTypedAtThirtyThreeCharactersPerSecond) {
    const BootFrame f(0.2f);  // Cursor in its visible half; floor(0.2 * 33) = 6 characters
    EXPECT_EQ(f.row(7).substr(0, 6), "C:\\> v");
    EXPECT_EQ(f.cursor().x, 4 + 6);
    EXPECT_EQ(f.cursor().y, 7);
}

TEST(IntroBoot, CursorPlacesBetweenLines) {
    // After a finished command, during its delay: right after the text
    const BootFrame afterCommand(0.43f);  // Typed by 0.2424, next row at 0.4424
    EXPECT_EQ(afterCommand.row(7), "C:\\> ver_");
    // During the delay after an output line: column 4 of the next row
    const BootFrame afterOutput(visible(0.6f));
    EXPECT_EQ(afterOutput.row(8), "MS-DOS Version 6.22");
    EXPECT_EQ(afterOutput.cursor().x, 4);
    EXPECT_EQ(afterOutput.cursor().y, 9);
    // During the pause: where the next output will appear
    const BootFrame pause(3.4f);  // The pause runs 3.2291..3.5791
    EXPECT_EQ(pause.row(12), "C:\\DEMO> demo.exe /safe /vga");
    EXPECT_EQ(pause.cursor().x, 4);
    EXPECT_EQ(pause.cursor().y, 13);
    EXPECT_EQ(pause.row(13), "_");
}

TEST(IntroBoot, CompleteScriptWithTheCursorAfterTheFinalPrompt) {
    const BootFrame f(visible(6.5f));
    EXPECT_EQ(f.row(7), "C:\\> ver");
    EXPECT_EQ(f.row(11), "DEMOEXE  CFG  SHADER  README  TOOLS");
    EXPECT_EQ(f.row(13), "Initializing display adapter...");
    EXPECT_EQ(f.row(20), "stream: source id unresolved");
    EXPECT_EQ(f.fb.at(4, 20).fg, (Color{255, 140, 120, 255}));
    EXPECT_EQ(f.row(21), "C:\\DEMO>_");
    EXPECT_EQ(f.cursor().x, 12);
    EXPECT_EQ(f.cursor().y, 21);
    EXPECT_EQ(f.row(22), "");
}

TEST(IntroBoot, CursorBlinksOnTheSceneTimeAcrossTheReplay) {
    const float hidden = kBlinkPeriod * 0.75f + 6.25f;  // In the hidden half
    EXPECT_EQ(BootFrame(hidden).cursor().x, -1);
    // The script replays after 7.8988 s; the blink keeps its own phase
    const float replay = 7.8987880f + 0.1f;
    const BootFrame f(replay);
    const bool blinkOn = fmodf(replay * 2.4f, 1.0f) < 0.5f;
    EXPECT_EQ(f.cursor().x != -1, blinkOn);
    EXPECT_EQ(f.row(7).substr(0, 3), "C:\\");
    EXPECT_EQ(f.row(8), "");
}

TEST(IntroBoot, SmallGridsStopTheWalkAtTheirLastUsableRow) {
    // Fewer than 9 rows: row 7 is already below the limit
    const BootFrame tiny(visible(6.5f), 40, 8);
    for (const Cell& c : tiny.fb.cells) EXPECT_EQ(c.codepoint, 32u);
    // 14 rows: rows 7..12 are drawn, then the walk stops; the cursor stays after the last command
    const BootFrame small(visible(6.5f), 40, 14);
    EXPECT_EQ(small.row(12).substr(0, 17), "C:\\DEMO> demo.exe");
    EXPECT_EQ(small.cursor().y, 12);
    EXPECT_EQ(small.cursor().x, 4 + 28);
    for (int x = 0; x < 40; ++x) EXPECT_EQ(small.fb.at(x, 13).codepoint, 32u);
}

TEST(IntroBoot, WritesOnlyTextCellsWithTheGivenBackground) {
    AsciiFramebuffer fb(120, 42, 10, 18, FramebufferBacking::CellsOnly);
    const Color bg = {1, 2, 3, 255};
    intro_boot(fb, 6.5f, bg, nullptr, nullptr);
    for (const Cell& c : fb.cells) {
        if (c.codepoint != 32) {
            EXPECT_EQ(c.bg, bg);
        }
    }
    EXPECT_EQ(fb.at(0, 0).bg, kSceneBackground) << "untouched cells keep the cleared background";
}

TEST(IntroBoot, Determinism) {
    const uint64_t h = scene_harness::determinismHash(intro_boot, 480);
    EXPECT_EQ(h, 11006798169536116406ull) << "actual " << h;
}
