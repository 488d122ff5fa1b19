#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "framebuffer/color_boost.h"
#include "framebuffer/font_redraw.h"
#include "framebuffer/presentation.h"

namespace {

void expectRect(Rectangle r, Rectangle w, float tol = 0.0f) {
    EXPECT_TRUE(fabsf(r.x - w.x) <= tol && fabsf(r.y - w.y) <= tol && fabsf(r.width - w.width) <= tol && fabsf(r.height - w.height) <= tol)
        << r.x << " " << r.y << " " << r.width << " " << r.height;
}

Rectangle focused(int fx, int fy, float progress, float punch) {
    return focusedRect(120, 42, 10, 18, 1920, 1080, fx, fy, progress, punch);
}

}  // namespace

TEST(PresentRect, FitsCentresAndLetterboxesRoundingDownOnTheLeadingSide) {
    const struct { float texW, texH, winW, winH, zoom; Rectangle want; } cases[] = {
        {1200, 756, 1920, 1080, 1.0f, {103, 0, 1714, 1080}},
        {1000, 500, 1001, 100, 1.0f, {400, 0, 200, 100}},  // Bars left and right: floor(801 / 2)
        {100, 100, 300, 901, 1.0f, {0, 300, 300, 300}},    // Bars top and bottom: floor(601 / 2)
        {1200, 756, 0, 0, 1.0f, {0, 0, 0, 0}},             // No window: an empty destination
    };
    for (const auto& c : cases) expectRect(presentRect((int)c.texW, (int)c.texH, (int)c.winW, (int)c.winH, c.zoom), c.want);
    // The zoom is clamped to [0.1, 6]
    expectRect(presentRect(1200, 756, 1920, 1080, 0.0f), presentRect(1200, 756, 1920, 1080, 0.1f));
    expectRect(presentRect(1200, 756, 1920, 1080, 10.0f), presentRect(1200, 756, 1920, 1080, 6.0f));
}

TEST(FocusedRect, WorkedFlightPunchAndClampedInputs) {
    expectRect(focused(60, 21, 0.0f, 0.0f), {103, 0, 1714.2858f, 1080}, 0.001f);
    expectRect(focused(60, 21, 1.0f, 0.0f), {-86160, -55188, 172800, 108864}, 0.5f);
    expectRect(focused(60, 21, 0.5f, 0.0f), {-23010.6f, -14787.26f, 47555.57f, 29960.01f}, 1.0f);  // 0.5^1.9 of the way
    const Rectangle punched = focused(60, 21, 1.0f, 1.0f);
    EXPECT_NEAR(punched.width, 172800.0f * 1.22f, 1.0f);
    EXPECT_NEAR(punched.x, -86160.0f, 0.5f) << "the punch grows the picture from its top-left corner";
    EXPECT_NEAR(focused(60, 21, 0.0f, 1.0f).width / focused(60, 21, 0.0f, 0.0f).width, 1.066f, 1e-5f);
    expectRect(focused(60, 21, 3.0f, 5.0f), focused(60, 21, 1.0f, 1.0f));
    expectRect(focused(-5, 1000, 1.0f, 0.0f), focused(0, 41, 1.0f, 0.0f));  // Onto the grid's edge
    expectRect(focused(60, 21, -0.5f, 0.0f), focused(60, 21, 0.0f, 0.0f));
}

TEST(BoostColor, WorkedValues) {
    EXPECT_EQ(boostColor({190, 190, 190, 255}, false), (Color{241, 241, 241, 255}));
    EXPECT_EQ(boostColor({8, 10, 15, 255}, true), (Color{0, 0, 6, 255}));
    EXPECT_EQ(boostColor({120, 100, 80, 255}, false), (Color{153, 113, 73, 255}));  // Worked in double precision
    EXPECT_EQ(boostColor({120, 100, 80, 255}, true), (Color{134, 105, 76, 255}));
    EXPECT_EQ(boostColor({255, 255, 255, 7}, false), (Color{255, 255, 255, 7}));
}

TEST(FontTable, SystemFontsFirstThenDejaVuAndTheCodepointsToLoad) {
    int count = 0;
    const FontChoice* fonts = fontTable(&count);
    ASSERT_GE(count, 4);
    EXPECT_TRUE(std::string(fonts[0].displayName) == "Consolas" && std::string(fonts[3].displayName) == "DejaVu Sans Mono");
    int cps[kFontCodepointCount];
    fontCodepoints(cps);
    EXPECT_TRUE(cps[0] == 32 && cps[94] == 126 && cps[95] == 0x2580 && cps[97] == 0x2588 && cps[102] == 0x2593);
}
