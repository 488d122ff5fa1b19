#include "math/hsv_color.h"

#include <cmath>  // Required for: fmodf() (exact: the same on every correct C library)

namespace {

// How far one channel falls below the value: 0 on its own third of the hue circle, 1 opposite it
float channelShare(float hue, float offset) {
    float k = fmodf(offset + hue / 60.0f, 6.0f);
    const float t = 4.0f - k;
    k = (t < k) ? t : k;
    k = (k < 1.0f) ? k : 1.0f;
    k = (k > 0.0f) ? k : 0.0f;
    return k;
}

unsigned char channelByte(float value, float saturation, float share) {
    const float v = (value - value * saturation * share) * 255.0f;
    if (!(v > 0.0f)) return 0;  // NaN as well
    if (v >= 255.0f) return 255;
    return (unsigned char)v;  // Truncated
}

}  // namespace

Color showColorFromHsv(float hue, float saturation, float value) {
    return Color{channelByte(value, saturation, channelShare(hue, 5.0f)),
                 channelByte(value, saturation, channelShare(hue, 3.0f)),
                 channelByte(value, saturation, channelShare(hue, 1.0f)), 255};
}
