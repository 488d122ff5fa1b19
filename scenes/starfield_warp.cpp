// starfield_warp: three parallax layers of stars streaming down over a dark blue gradient. Far
// stars are dim and slow, near stars bright and fast with a one-cell trail. Bass and beat speed the
// field up, the beat clock sways it sideways, beats tint it and treble quickens the twinkle.
#include "scenes/starfield_warp.h"

#include <cmath>   // Required for: fmodf(), floorf()
#include <vector>

#include "math/hsv_color.h"  // Required for: showColorFromHsv()
#include "math/show_math.h"  // Required for: showSin()
#include "scenes/scene_math.h"
#include "scenes/scenes.h"

namespace {

constexpr int kMinCols = 20;
constexpr int kMinRows = 12;

constexpr int kMinStars = 120;        // Layer 0 never has fewer
constexpr int kCellsPerStar = 20;     // Otherwise one far star per this many cells
constexpr uint32_t kLayerKeyStep = 100000u;
constexpr uint32_t kKeyOffset = 17u;
constexpr uint32_t kIndexKeyStep = 2654435761u;  // 0x9E3779B1

constexpr float kDownSpeed[kStarLayers] = {1.8f, 4.0f, 7.8f};     // Rows per second
constexpr float kSideSpeed[kStarLayers] = {0.18f, 0.45f, 0.95f};  // Columns per second
constexpr float kBrightness[kStarLayers] = {0.62f, 0.8f, 1.0f};
constexpr uint32_t kTextGlyph[kStarLayers] = {'.', '*', '#'};
constexpr uint32_t kBlockGlyph[kStarLayers] = {0x2591, 0x2592, 0x2593};  // Light, medium, dark shade
constexpr int kNearLayer = 2;
constexpr int kTrailLayer = 1;  // The near layer's trail uses this layer's glyph

constexpr float kBaseHue = 208.0f;
constexpr float kHuePerLayer = 12.0f;
constexpr float kBeatHueShift = 16.0f;
constexpr float kBaseSaturation = 0.2f;
constexpr float kSaturationPerLayer = 0.1f;

constexpr Color kStarBackground = {8, 10, 15, 255};
constexpr Color kGradientGlyph = {0, 0, 0, 255};

// The stars and the grid they were made for; positions never move, motion comes from the time.
struct StarField {
    std::vector<Star> layers[kStarLayers];
    int cols = 0;
    int rows = 0;
};

StarField field;

// The audio-driven motion of one frame.
struct FrameMotion {
    float warp;          // Speed factor
    float sway;          // Sideways offset in columns
    float twinklePhase;  // Radians
    float hueShift;      // Degrees
};

void generateStars(StarField& f, int cols, int rows) {
    f.cols = cols;
    f.rows = rows;
    for (int layer = 0; layer < kStarLayers; ++layer) {
        const int count = starLayerSize(layer, cols, rows);
        std::vector<Star>& stars = f.layers[layer];
        stars.clear();
        stars.reserve((size_t)count);
        for (int i = 0; i < count; ++i) stars.push_back(makeStar(layer, (uint32_t)i, cols, rows));
    }
}

FrameMotion frameMotion(float t, const BeatInfo* beat, const AudioFeatures* audio) {
    const bool heard = audio != nullptr && audio->valid;
    const float bass = heard ? audio->bass : 0.0f;
    const float mid = heard ? audio->mid : 0.0f;
    const float treble = heard ? audio->treble : 0.0f;
    const float pulse = heard ? audio->beat : 0.0f;
    const float beatPos = beat != nullptr ? beat->beatPos : 0.0f;

    FrameMotion m;
    m.warp = 1.0f + 0.85f * pulse + 0.55f * bass;
    m.sway = showSin(0.04f * beatPos + 0.23f * t) * (0.22f * mid + 0.18f);
    m.twinklePhase = ((0.75f * pulse + 0.25f + 0.35f * treble) * 2.4f + 3.2f) * t;
    m.hueShift = kBeatHueShift * pulse;
    return m;
}

// Truncated, then clamped to a byte.
unsigned char channel(float v) {
    const int i = (int)v;
    return (unsigned char)(i < 0 ? 0 : (i > 255 ? 255 : i));
}

// Vertical gradient from (12, 21, 44) on the top row to (4, 7, 14) on the bottom row.
void drawGradient(AsciiFramebuffer& fb) {
    const int lastRow = fb.rows - 1 > 1 ? fb.rows - 1 : 1;
    for (int y = 0; y < fb.rows; ++y) {
        const float f = 1.0f - (float)y / (float)lastRow;
        const Color bg = {(unsigned char)(int)(8.0f * f + 4.0f), (unsigned char)(int)(14.0f * f + 7.0f),
                          (unsigned char)(int)(30.0f * f + 14.0f), 255};
        for (int x = 0; x < fb.cols; ++x) fb.setCell(x, y, ' ', kGradientGlyph, bg);
    }
}

// Positions wrap round the grid, so a star leaving one edge comes back at the opposite one.
float wrap(float v, float size) {
    const float w = fmodf(v, size);
    return w < 0.0f ? w + size : w;
}

void drawLayer(AsciiFramebuffer& fb, const std::vector<Star>& stars, int layer, float t, const FrameMotion& m) {
    const float cols = (float)fb.cols;
    const float rows = (float)fb.rows;
    const float drift = m.warp * kSideSpeed[layer] * t;
    const float fall = m.warp * kDownSpeed[layer] * t;
    const float sway = (float)(layer + 1) * m.sway;
    const uint32_t glyph = fb.blockGlyphs ? kBlockGlyph[layer] : kTextGlyph[layer];
    const uint32_t trailGlyph = fb.blockGlyphs ? kBlockGlyph[kTrailLayer] : kTextGlyph[kTrailLayer];
    const float hue = kBaseHue + kHuePerLayer * (float)layer + m.hueShift;
    const float saturation = kBaseSaturation + kSaturationPerLayer * (float)layer;

    for (const Star& s : stars) {
        const float x = wrap(s.x + drift + sway, cols);
        const float y = wrap(s.y + fall, rows);
        const int X = (int)floorf(x);
        const int Y = (int)floorf(y);
        // A wrapped position can round up onto the far edge itself
        if (X < 0 || X >= fb.cols || Y < 0 || Y >= fb.rows) continue;

        const float twinkle = 0.6f + 0.4f * showSin(11.0f * s.z + m.twinklePhase);
        const float value = clampf((0.7f + 0.3f * twinkle) * kBrightness[layer], 0.0f, 1.0f);
        const Color colour = showColorFromHsv(hue, saturation, value);
        fb.setCell(X, Y, glyph, colour, kStarBackground);

        if (layer == kNearLayer && X - 1 >= 0) {
            const Color trail = {channel((float)colour.r * 0.6f), channel((float)colour.g * 0.6f),
                                 channel((float)colour.b * 0.65f), 255};
            fb.setCell(X - 1, Y, trailGlyph, trail, kStarBackground);
        }
    }
}

}  // namespace

int starLayerSize(int layer, int cols, int rows) {
    const int byArea = (cols * rows) / kCellsPerStar;
    const int count = byArea > kMinStars ? byArea : kMinStars;
    switch (layer) {
        case 0: return count;
        case 1: return (2 * count) / 3;
        case 2: return count / 2;
    }
    return 0;
}

Star makeStar(int layer, uint32_t index, int cols, int rows) {
    const uint32_t key = (uint32_t)layer * kLayerKeyStep + kKeyOffset + index * kIndexKeyStep;
    return Star{unit(key) * (float)cols, unit(key ^ kSaltA) * (float)rows, unit(key ^ kSaltB)};
}

void starfield_warp(AsciiFramebuffer& fb, float sceneTime, Color, const BeatInfo* beat, const AudioFeatures* audio) {
    if (fb.cols < kMinCols || fb.rows < kMinRows) return;

    // Update: the field belongs to one grid size
    if (field.layers[0].empty() || field.cols != fb.cols || field.rows != fb.rows) {
        generateStars(field, fb.cols, fb.rows);
    }
    const FrameMotion motion = frameMotion(sceneTime, beat, audio);

    // Draw: far layers first so near stars and their trails cover them
    drawGradient(fb);
    for (int layer = 0; layer < kStarLayers; ++layer) drawLayer(fb, field.layers[layer], layer, sceneTime, motion);
}
