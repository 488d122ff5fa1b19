#include "frontends/terminal/term_palette.h"

#include <cstring>  // Required for: strcmp()

namespace {

const unsigned char kCubeLevels[6] = {0, 95, 135, 175, 215, 255};
constexpr int kCubeStart = 16, kGreyStart = 232, kGreyCount = 24;

int red(uint32_t c) { return (int)((c >> 16) & 0xFFu); }
int green(uint32_t c) { return (int)((c >> 8) & 0xFFu); }
int blue(uint32_t c) { return (int)(c & 0xFFu); }

// The cube level nearest to a channel: the levels are 0, 95 and then every 40 up to 255
int nearestCubeLevel(int v) {
    if (v < 48) return 0;
    if (v < 115) return 1;
    return (v - 35) / 40;
}

// The grey ramp runs 8, 18, ... 238
int nearestGreyStep(int v) {
    if (v < 8) return 0;
    if (v > 238) return kGreyCount - 1;
    return (v - 3) / 10;
}

}  // namespace

const uint32_t kXterm16[16] = {
    0x000000, 0xCD0000, 0x00CD00, 0xCDCD00, 0x0000EE, 0xCD00CD, 0x00CDCD, 0xE5E5E5,
    0x7F7F7F, 0xFF0000, 0x00FF00, 0xFFFF00, 0x5C5CFF, 0xFF00FF, 0x00FFFF, 0xFFFFFF,
};

bool parseColourMode(const char* name, ColourMode& mode) {
    const struct {
        const char* name;
        ColourMode mode;
    } names[] = {{"24bit", ColourMode::TrueColour}, {"256", ColourMode::Palette256}, {"16", ColourMode::Palette16},
                 {"none", ColourMode::None}};
    for (const auto& n : names) {
        if (name != nullptr && strcmp(name, n.name) == 0) {
            mode = n.mode;
            return true;
        }
    }
    return false;
}

const char* colourModeName(ColourMode mode) {
    switch (mode) {
        case ColourMode::TrueColour: return "24bit";
        case ColourMode::Palette256: return "256";
        case ColourMode::Palette16: return "16";
        case ColourMode::None: break;
    }
    return "none";
}

int colourDistance(uint32_t a, uint32_t b) {
    const int meanRed = (red(a) + red(b)) / 2;
    const int dr = red(a) - red(b), dg = green(a) - green(b), db = blue(a) - blue(b);
    return (((512 + meanRed) * dr * dr) >> 8) + 4 * dg * dg + (((767 - meanRed) * db * db) >> 8);
}

uint32_t palette256Rgb(int index) {
    if (index >= kGreyStart) {
        const uint32_t v = (uint32_t)(8 + 10 * (index - kGreyStart));
        return (v << 16) | (v << 8) | v;
    }
    const int i = index - kCubeStart;
    return ((uint32_t)kCubeLevels[i / 36] << 16) | ((uint32_t)kCubeLevels[(i / 6) % 6] << 8) | kCubeLevels[i % 6];
}

int nearest256(uint32_t rgb) {
    const int r = nearestCubeLevel(red(rgb)), g = nearestCubeLevel(green(rgb)), b = nearestCubeLevel(blue(rgb));
    const int cube = kCubeStart + 36 * r + 6 * g + b;
    const int grey = kGreyStart + nearestGreyStep((red(rgb) + green(rgb) + blue(rgb)) / 3);
    // An exact cube colour needs no comparison; otherwise the grey may be nearer (dim, unsaturated colours)
    if (palette256Rgb(cube) == rgb) return cube;
    return colourDistance(rgb, palette256Rgb(grey)) < colourDistance(rgb, palette256Rgb(cube)) ? grey : cube;
}

int nearest16(uint32_t rgb) {
    int best = 0, bestDistance = colourDistance(rgb, kXterm16[0]);
    for (int i = 1; i < 16 && bestDistance > 0; ++i) {
        const int d = colourDistance(rgb, kXterm16[i]);
        if (d < bestDistance) {
            best = i;
            bestDistance = d;
        }
    }
    return best;
}

int luminance(uint32_t rgb) { return (54 * red(rgb) + 183 * green(rgb) + 19 * blue(rgb)) >> 8; }
