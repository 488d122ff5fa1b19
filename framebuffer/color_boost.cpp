#include "framebuffer/color_boost.h"

#include <cmath>  // Required for: roundf()

#include "math/clamp.h"

Color boostColor(Color color, bool isBackground) {
    const float saturation = isBackground ? 1.22f : 1.42f;
    const float gain = isBackground ? 1.08f : 1.17f;
    const float contrast = isBackground ? 1.1f : 1.2f;

    const float r = (float)color.r / 255.0f;
    const float g = (float)color.g / 255.0f;
    const float b = (float)color.b / 255.0f;
    const float luma = 0.299f * r + 0.587f * g + 0.114f * b;

    auto channel = [&](float v) -> unsigned char {
        v = ((v - luma) * saturation + luma) * gain;
        v = (v - 0.5f) * contrast + 0.5f;
        v = clamp01(v);
        int byte = (int)roundf(v * 255.0f);
        byte = byte < 0 ? 0 : (byte > 255 ? 255 : byte);
        return (unsigned char)byte;
    };
    return {channel(r), channel(g), channel(b), color.a};
}
