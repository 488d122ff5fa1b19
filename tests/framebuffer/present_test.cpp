#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "framebuffer/font_redraw.h"
#include "framebuffer/presentation.h"

namespace {

void expectRect(Rectangle r, float x, float y, float w, float h, float tol = 0.0f) {
    EXPECT_NEAR(r.x, x, tol);
    EXPECT_NEAR(r.y, y, tol);
    EXPECT_NEAR(r.width, w, tol);
    EXPECT_NEAR(r.height, h, tol);
}

}  // namespace

TEST(PresentRect, FitsAndCentresTheBaseGrid) {
    expectRect(presentRect(1200, 756, 1920, 1080, 1.0f), 103, 0, 1714, 1080);
}

TEST(PresentRect, ZoomIsClampedToItsRange) {
    const Rectangle at0 = presentRect(1200, 756, 1920, 1080, 0.0f);
    const Rectangle atTenth = presentRect(1200, 756, 1920, 1080, 0.1f);
    expectRect(at0, atTenth.x, atTenth.y, atTenth.width, atTenth.height);
    const Rectangle at10 = presentRect(1200, 756, 1920, 1080, 10.0f);
    const Rectangle at6 = presentRect(1200, 756, 1920, 1080, 6.0f);
    expectRect(at10, at6.x, at6.y, at6.width, at6.height);
}

TEST(PresentRect, LetterboxesEquallyRoundingDownOnTheLeadingSide) {
    // Wider window: bars left and right
    const Rectangle wide = presentRect(1000, 500, 1001, 100, 1.0f);
    EXPECT_EQ(wide.height, 100.0f);
    EXPECT_EQ(wide.width, 200.0f);
    EXPECT_EQ(wide.x, 400.0f);  // floor(801 / 2)
    // Taller window: bars top and bottom
    const Rectangle tall = presentRect(100, 100, 300, 901, 1.0f);
    EXPECT_EQ(tall.width, 300.0f);
    EXPECT_EQ(tall.y, 300.0f);  // floor(601 / 2)
}

TEST(PresentRect, ZeroSizedWindowGivesAnEmptyDestination) {
    const Rectangle r = presentRect(1200, 756, 0, 0, 1.0f);
    EXPECT_EQ(r.width, 0.0f);
    EXPECT_EQ(r.height, 0.0f);
}

TEST(FocusedRect, WorkedExampleAtBothEndsOfTheFlight) {
    expectRect(focusedRect(120, 42, 10, 18, 1920, 1080, 60, 21, 0.0f, 0.0f), 103, 0, 1714.2858f, 1080, 0.001f);
    expectRect(focusedRect(120, 42, 10, 18, 1920, 1080, 60, 21, 1.0f, 0.0f), -86160, -55188, 172800, 108864, 0.5f);
    const Rectangle punched = focusedRect(120, 42, 10, 18, 1920, 1080, 60, 21, 1.0f, 1.0f);
    EXPECT_NEAR(punched.width, 172800.0f * 1.22f, 1.0f);
    EXPECT_NEAR(punched.x, -86160.0f, 0.5f) << "the punch grows the picture from its top-left corner";
}

TEST(FocusedRect, ProgressOutsideItsRangeIsClamped) {
    const Rectangle before = focusedRect(120, 42, 10, 18, 1920, 1080, 60, 21, -0.5f, 0.0f);
    const Rectangle fitted = presentRect(1200, 756, 1920, 1080, 1.0f);
    EXPECT_EQ(before.x, fitted.x);
    EXPECT_EQ(before.y, fitted.y);
    EXPECT_NEAR(before.width, fitted.width, 1.0f) << "the same place, the size not floored";
    const Rectangle past = focusedRect(120, 42, 10, 18, 1920, 1080, 60, 21, 3.0f, 0.0f);
    const Rectangle atOne = focusedRect(120, 42, 10, 18, 1920, 1080, 60, 21, 1.0f, 0.0f);
    expectRect(past, atOne.x, atOne.y, atOne.width, atOne.height);
}

TEST(FocusedRect, FocusOutsideTheGridClampsOntoItsEdge) {
    const Rectangle outside = focusedRect(120, 42, 10, 18, 1920, 1080, -5, 1000, 1.0f, 0.0f);
    const Rectangle corner = focusedRect(120, 42, 10, 18, 1920, 1080, 0, 41, 1.0f, 0.0f);
    expectRect(outside, corner.x, corner.y, corner.width, corner.height);
}

TEST(FocusedRect, PunchAtTheStartEnlargesByAFewPercent) {
    const Rectangle calm = focusedRect(120, 42, 10, 18, 1920, 1080, 60, 21, 0.0f, 0.0f);
    const Rectangle loud = focusedRect(120, 42, 10, 18, 1920, 1080, 60, 21, 0.0f, 1.0f);
    EXPECT_NEAR(loud.width / calm.width, 1.066f, 1e-5f);
    EXPECT_NEAR(loud.height / calm.height, 1.066f, 1e-5f);
    const Rectangle overPunched = focusedRect(120, 42, 10, 18, 1920, 1080, 60, 21, 0.0f, 5.0f);
    EXPECT_EQ(overPunched.width, loud.width);
}

TEST(BoostColor, WorkedValues) {
    EXPECT_EQ(boostColor({190, 190, 190, 255}, false), (Color{241, 241, 241, 255}));
    EXPECT_EQ(boostColor({8, 10, 15, 255}, true), (Color{0, 0, 6, 255}));
    EXPECT_EQ(boostColor({255, 0, 0, 255}, false), (Color{255, 0, 0, 255}));
    EXPECT_EQ(boostColor({0, 0, 0, 128}, true).a, 128) << "alpha passes through";
    EXPECT_EQ(boostColor({255, 255, 255, 7}, false), (Color{255, 255, 255, 7}));
}

TEST(FontTable, SystemFontsFirstThenDejaVu) {
    int count = 0;
    const FontChoice* fonts = fontTable(&count);
    ASSERT_GE(count, 4);
    EXPECT_STREQ(fonts[0].path, "C:/Windows/Fonts/consola.ttf");
    EXPECT_STREQ(fonts[0].displayName, "Consolas");
    EXPECT_STREQ(fonts[1].path, "C:/Windows/Fonts/lucon.ttf");
    EXPECT_STREQ(fonts[1].displayName, "Lucida Console");
    EXPECT_STREQ(fonts[2].path, "C:/Windows/Fonts/CascadiaMono.ttf");
    EXPECT_STREQ(fonts[2].displayName, "Cascadia Mono");
    for (int i = 3; i < count; ++i) {
        EXPECT_NE(std::string(fonts[i].path).find("DejaVuSansMono.ttf"), std::string::npos);
        EXPECT_STREQ(fonts[i].displayName, "DejaVu Sans Mono");
    }
}

TEST(FontTable, CodepointsArePrintableAsciiThenTheBlockGlyphs) {
    int cps[kFontCodepointCount];
    fontCodepoints(cps);
    EXPECT_EQ(cps[0], 32);
    EXPECT_EQ(cps[94], 126);
    const int blocks[] = {0x2580, 0x2584, 0x2588, 0x258C, 0x2590, 0x2591, 0x2592, 0x2593};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(cps[95 + i], blocks[i]);
}
