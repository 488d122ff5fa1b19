// A hidden window for the tests that draw, and the pixels of a render texture read back.
#pragma once

#include <gtest/gtest.h>

#include "framebuffer/font_redraw.h"

constexpr Color kRed = {200, 30, 40, 255};
constexpr Color kGreen = {20, 220, 60, 255};

class HiddenWindow : public ::testing::Environment {
public:
    void SetUp() override {
        SetTraceLogLevel(LOG_NONE);
        SetConfigFlags(FLAG_WINDOW_HIDDEN);
        InitWindow(640, 360, "davur_evi tests");
    }
    void TearDown() override { CloseWindow(); }
};
inline const auto* const kHiddenWindow = ::testing::AddGlobalTestEnvironment(new HiddenWindow);

inline bool sameRgb(Color a, Color b) { return a.r == b.r && a.g == b.g && a.b == b.b; }

// The render texture's pixels, top row first.
struct Pixels {
    Image image;
    explicit Pixels(const Texture2D& tex) : image(LoadImageFromTexture(tex)) { ImageFlipVertical(&image); }
    ~Pixels() { UnloadImage(image); }
    Color at(int x, int y) const { return GetImageColor(image, x, y); }
    // How many opaque pixels of cell (cx, cy) of a 10 x 18 grid have colour c
    int count(int cx, int cy, Color c) const {
        int n = 0;
        for (int y = 0; y < 18; ++y) {
            for (int x = 0; x < 10; ++x) n += sameRgb(at(cx * 10 + x, cy * 18 + y), c) && at(cx * 10 + x, cy * 18 + y).a == 255;
        }
        return n;
    }
    bool filled(int cx, int cy, Color c) const { return count(cx, cy, c) == 180; }
};
