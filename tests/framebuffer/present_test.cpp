#include <gtest/gtest.h>

#include <string>

#include "framebuffer/font_redraw.h"
#include "framebuffer/presentation.h"

namespace {

void expectRect(Rectangle r, Rectangle want, float tol = 0.0f) {
    EXPECT_NEAR(r.x, want.x, tol);
    EXPECT_NEAR(r.y, want.y, tol);
    EXPECT_NEAR(r.width, want.width, tol);
    EXPECT_NEAR(r.height, want.height, tol);
}

Rectangle focused(int fx, int fy, float progress, float punch) {
    return focusedRect(120, 42, 10, 18, 1920, 1080, fx, fy, progress, punch);
}

}  // namespace

TEST(PresentRect, FitsCentresAndLetterboxesRoundingDownOnTheLeadingSide) {
    const struct {
        float texW, texH, winW, winH, zoom;
        Rectangle want;
    } cases[] = {
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
    expectRect(focused(60, 21, 0.0f, 5.0f), focused(60, 21, 0.0f, 1.0f));
    expectRect(focused(60, 21, 3.0f, 0.0f), focused(60, 21, 1.0f, 0.0f));
    expectRect(focused(-5, 1000, 1.0f, 0.0f), focused(0, 41, 1.0f, 0.0f));  // Onto the grid's edge
    const Rectangle before = focused(60, 21, -0.5f, 0.0f), fitted = presentRect(1200, 756, 1920, 1080, 1.0f);
    EXPECT_TRUE(before.x == fitted.x && before.y == fitted.y);
    EXPECT_NEAR(before.width, fitted.width, 1.0f) << "the same place, the size not floored";
}

TEST(BoostColor, WorkedValues) {
    EXPECT_EQ(boostColor({190, 190, 190, 255}, false), (Color{241, 241, 241, 255}));
    EXPECT_EQ(boostColor({8, 10, 15, 255}, true), (Color{0, 0, 6, 255}));
    EXPECT_EQ(boostColor({255, 0, 0, 255}, false), (Color{255, 0, 0, 255}));
    EXPECT_EQ(boostColor({120, 100, 80, 255}, false), (Color{153, 113, 73, 255}));  // Worked in double precision
    EXPECT_EQ(boostColor({120, 100, 80, 255}, true), (Color{134, 105, 76, 255}));
    EXPECT_EQ(boostColor({0, 0, 0, 128}, true).a, 128) << "alpha passes through";
    EXPECT_EQ(boostColor({255, 255, 255, 7}, false), (Color{255, 255, 255, 7}));
}

TEST(FontTable, SystemFontsFirstThenDejaVuAndTheCodepointsToLoad) {
    int count = 0;
    const FontChoice* fonts = fontTable(&count);
    ASSERT_GE(count, 4);
    const char* first[3][2] = {{"C:/Windows/Fonts/consola.ttf", "Consolas"}, {"C:/Windows/Fonts/lucon.ttf", "Lucida Console"},
                               {"C:/Windows/Fonts/CascadiaMono.ttf", "Cascadia Mono"}};
    for (int i = 0; i < count; ++i) {
        EXPECT_STREQ(fonts[i].path, i < 3 ? first[i][0] : fonts[i].path);
        EXPECT_STREQ(fonts[i].displayName, i < 3 ? first[i][1] : "DejaVu Sans Mono");
        EXPECT_TRUE(i < 3 || std::string(fonts[i].path).find("DejaVuSansMono.ttf") != std::string::npos) << i;
    }
    int cps[kFontCodepointCount];
    fontCodepoints(cps);
    const int blocks[] = {0x2580, 0x2584, 0x2588, 0x258C, 0x2590, 0x2591, 0x2592, 0x2593};
    EXPECT_TRUE(cps[0] == 32 && cps[94] == 126);
    for (int i = 0; i < 8; ++i) EXPECT_EQ(cps[95 + i], blocks[i]);
}
