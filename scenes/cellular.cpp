// cellular: a continuous-valued cellular automaton on a wrapping grid, one value per cell. Each
// step blends a cell with its 3x3 neighbourhood and one upstream neighbour of a slowly turning flow
// field, cools it a little and now and then drops a spark in; a global damping keeps the grid from
// saturating. Cold cells are drawn blue-grey, hot ones orange, with a flickering brightness.
#include <cmath>    // Required for: floorf()
#include <utility>  // Required for: std::swap()
#include <vector>

#include "math/show_math.h"  // Required for: showSin(), showCos(), showSinArray(), showCosArray()
#include "scenes/scene_math.h"
#include "scenes/scenes.h"

namespace {

constexpr int kMinGridSize = 8;            // Smaller grids are left alone
constexpr float kStepSeconds = 0.0625f;    // 16 steps per second of scene time
constexpr float kMaxFrameSeconds = 0.25f;  // A long frame gap runs at most 4 steps

constexpr uint32_t kSeed = 0xC0DEC0DEu;
constexpr uint32_t kSeedRowMul = 19349663u;
constexpr uint32_t kSeedColMul = 73856093u;
constexpr uint32_t kStepSeedMul = 0x9E3779B1u;
constexpr uint32_t kSparkColMul = 92837111u;
constexpr uint32_t kSparkRowMul = 36447981u;

constexpr float kHotLevel = 0.48f;        // Damping counts cells above this as hot
constexpr float kMaxHotShare = 0.57f;
constexpr float kMaxMeanLevel = 0.46f;

constexpr uint8_t kFromAbove = 1;  // The upstream neighbour lies in the row above, else below
constexpr uint8_t kFromLeft = 2;   // The upstream neighbour lies in the column to the left, else right

const uint32_t kOwnRamp[] = {' ', '.', ':', ';', 'i', 'x', 'X', '#', '%', '@'};
const uint32_t kBlockRamp[] = {0x20, 0x2591, 0x2592, 0x2593, 0x2588};

struct CellularState {
    int gridW = 0;
    int gridH = 0;
    float lastTime = 0.0f;
    float stepAccumulator = 0.0f;    // Scene time not yet simulated, below one step between frames
    uint32_t stepCounter = 0;        // Steps since the last seeding; feeds the spark hash
    std::vector<float> levels;       // Row-major, 0..1
    std::vector<float> nextLevels;   // Scratch the step writes into
    // Sized with the grid: values every step of one frame shares
    std::vector<float> rowDecay;     // Rows further down cool slightly faster
    std::vector<float> columnFlow;   // Column part of the flow angle
    std::vector<float> columnWave;   // Column part of the slow heat ripple
    std::vector<uint8_t> upstream;   // Per cell: kFromAbove | kFromLeft for this frame's flow
    std::vector<float> columnPhase;  // Column part of the flicker's phase
    std::vector<float> columnTint;   // Column part of the blue channel
    std::vector<float> rowArg, rowSin, rowCosArg, rowCos;  // One row's wave arguments and values, scratch
};

// The audio as the step reads it, fixed for one frame
struct FrameAudio {
    int sparkThreshold;  // Out of 1024: the chance that a cell is a spark candidate
    float gateSpeed;     // Speed of the travelling sine that gates the candidates
    float gateLimit;
};

CellularState state;


//----------------------------------------------------------------------------------
// Update
//----------------------------------------------------------------------------------

void sizeFrameTables(int cols, int rows) {
    state.rowDecay.resize((size_t)rows);
    for (int y = 0; y < rows; ++y) state.rowDecay[y] = ((float)y / (float)rows) * 0.02f + 0.035f;
    state.columnFlow.resize((size_t)cols);
    for (int x = 0; x < cols; ++x) state.columnFlow[x] = showCos(0.07f * (float)x);
    state.columnWave.resize((size_t)cols);
    state.upstream.resize((size_t)cols * (size_t)rows);
    state.columnPhase.resize((size_t)cols);
    state.columnTint.resize((size_t)cols);
    for (std::vector<float>* v : {&state.rowArg, &state.rowSin, &state.rowCosArg, &state.rowCos}) {
        v->resize((size_t)cols);
    }
}

// The start pattern depends only on the cell coordinates: every seeding of one grid size looks alike.
void seedLevels(int cols, int rows, float t) {
    state.gridW = cols;
    state.gridH = rows;
    state.lastTime = t;
    state.stepAccumulator = 0.0f;
    state.stepCounter = 0;
    state.levels.assign((size_t)cols * (size_t)rows, 0.0f);
    state.nextLevels.assign((size_t)cols * (size_t)rows, 0.0f);
    sizeFrameTables(cols, rows);
    for (int y = 0; y < rows; ++y) {
        for (int x = 0; x < cols; ++x) {
            const uint32_t h = hash32(((uint32_t)y * kSeedRowMul) ^ ((uint32_t)x * kSeedColMul) ^ kSeed);
            const float v = (float)(h & 0x3FFu) / 1023.0f;
            state.levels[(size_t)y * cols + x] = (v > 0.8f) ? 0.6f * v + 0.4f : 0.0f;
        }
    }
}

// Nearest-cell resampling of the old levels onto the new grid; time and step count carry on.
void resizeLevels(int cols, int rows, float t) {
    if (state.levels.empty() || state.gridW < 1 || state.gridH < 1) {
        seedLevels(cols, rows, t);
        return;
    }
    const int oldW = state.gridW;
    const int oldH = state.gridH;
    // The scratch array holds the old levels while the new ones are filled
    std::swap(state.levels, state.nextLevels);
    const std::vector<float>& old = state.nextLevels;
    state.gridW = cols;
    state.gridH = rows;
    state.levels.assign((size_t)cols * (size_t)rows, 0.0f);
    for (int y = 0; y < rows; ++y) {
        const int sy = clampInt((int)floorf(((float)y + 0.5f) / (float)rows * (float)oldH), 0, oldH - 1);
        for (int x = 0; x < cols; ++x) {
            const int sx = clampInt((int)floorf(((float)x + 0.5f) / (float)cols * (float)oldW), 0, oldW - 1);
            state.levels[(size_t)y * cols + x] = old[(size_t)sy * oldW + sx];
        }
    }
    state.nextLevels = state.levels;
    sizeFrameTables(cols, rows);
}

// Values that hold for every step of one frame: the step formulas use the frame's scene time
void prepareFrame(float t) {
    const int W = state.gridW;
    const int H = state.gridH;
    for (int x = 0; x < W; ++x) state.columnWave[x] = showSin(0.17f * (float)x + 3.2f * t) * 0.06f;
    // Flow direction of each cell, as where its upstream neighbour lies: left or right, above or below
    for (int y = 0; y < H; ++y) {
        const float rowFlow = 1.25f * t + 1.1f * showSin(0.08f * (float)y);
        uint8_t* dirs = &state.upstream[(size_t)y * W];
        // The row's sines and cosines by the array functions, two cells at a time
        for (int x = 0; x < W; ++x) {
            const float a = state.columnFlow[x] + rowFlow;
            state.rowArg[x] = a;
            state.rowCosArg[x] = 0.9f * a;
        }
        showCosArray(state.rowCosArg.data(), state.rowCos.data(), W);
        showSinArray(state.rowArg.data(), state.rowSin.data(), W);
        for (int x = 0; x < W; ++x) {
            const bool fromAbove = state.rowCos[x] > 0.0f;  // Flow runs down the screen
            const bool fromLeft = state.rowSin[x] > 0.0f;   // Flow runs to the right
            dirs[x] = (uint8_t)((fromAbove ? kFromAbove : 0) | (fromLeft ? kFromLeft : 0));
        }
    }
}

bool sparks(int x, int y, uint32_t stepSeed, const FrameAudio& audio, float t) {
    const uint32_t h = hash32(((uint32_t)x * kSparkColMul) ^ stepSeed ^ ((uint32_t)y * kSparkRowMul));
    if ((int)(h & 0x3FFu) >= audio.sparkThreshold) return false;
    // A travelling sine gates the candidates, so sparks come in drifting bands
    const float gate = showSin(audio.gateSpeed * t + 0.19f * (float)x + 0.14f * (float)y) * 0.5f + 0.5f;
    return gate > audio.gateLimit;
}

void stepLevels(float t, const FrameAudio& audio) {
    const int W = state.gridW;
    const int H = state.gridH;
    state.stepCounter += 1;
    const uint32_t stepSeed = state.stepCounter * kStepSeedMul;
    const float* lv = state.levels.data();
    float* next = state.nextLevels.data();

    // Damping needs the sum and hot count of the new levels, gathered as they are written
    float total = 0.0f;
    int hotCount = 0;
    for (int y = 0; y < H; ++y) {
        // The grid wraps at all four edges
        const float* above = lv + (size_t)((y == 0) ? H - 1 : y - 1) * W;
        const float* row = lv + (size_t)y * W;
        const float* below = lv + (size_t)((y == H - 1) ? 0 : y + 1) * W;
        const uint8_t* dirs = &state.upstream[(size_t)y * W];
        const float decay = state.rowDecay[y];
        float* out = next + (size_t)y * W;
        for (int x = 0; x < W; ++x) {
            const int left = (x == 0) ? W - 1 : x - 1;
            const int right = (x == W - 1) ? 0 : x + 1;
            const float self = row[x];
            const float sum = above[left] + above[x] + above[right] + row[left] + self + row[right] +
                              below[left] + below[x] + below[right];
            const float avg = sum / 9.0f;
            const float* upstreamRow = (dirs[x] & kFromAbove) ? above : below;
            const float adv = upstreamRow[(dirs[x] & kFromLeft) ? left : right];
            const float spark = sparks(x, y, stepSeed, audio, t) ? 1.0f : 0.0f;

            const float v = clamp01(self * 0.7f + avg * 0.28f + adv * 0.18f + spark * 0.95f - decay +
                                    state.columnWave[x]);
            out[x] = v;
            total += v;
            if (v > kHotLevel) hotCount += 1;
        }
    }
    std::swap(state.levels, state.nextLevels);

    // Damping: pull the whole grid down when too much of it runs hot
    const int n = W * H;
    const float mean = total / (float)n;
    const float hot = (float)hotCount / (float)n;
    float excess = hot - kMaxHotShare;
    if (mean - kMaxMeanLevel > excess) excess = mean - kMaxMeanLevel;
    if (excess > 0.0f) {
        const float damp = clampf(1.0f - 0.42f * excess, 0.72f, 0.99f);
        for (int i = 0; i < n; ++i) state.levels[i] *= damp;
    }
}

void updateCellular(int cols, int rows, float t, const FrameAudio& audio) {
    if (state.lastTime > t) seedLevels(cols, rows, t);
    else if (state.gridW != cols || state.gridH != rows) resizeLevels(cols, rows, t);

    state.stepAccumulator += clampf(t - state.lastTime, 0.0f, kMaxFrameSeconds);
    state.lastTime = t;
    if (state.stepAccumulator < kStepSeconds) return;
    prepareFrame(t);
    while (state.stepAccumulator >= kStepSeconds) {
        state.stepAccumulator -= kStepSeconds;
        stepLevels(t, audio);
    }
}

//----------------------------------------------------------------------------------
// Draw
//----------------------------------------------------------------------------------

void drawCellular(AsciiFramebuffer& fb, float t) {
    const uint32_t* ramp = fb.blockGlyphs ? kBlockRamp : kOwnRamp;
    const int top = fb.blockGlyphs ? 4 : 9;
    const int W = state.gridW;
    for (int x = 0; x < W; ++x) {
        state.columnPhase[x] = 0.1f * (float)x + 4.0f * t;
        state.columnTint[x] = showSin(0.08f * (float)x + 2.5f * t) * 26.0f;
    }
    for (int y = 0; y < state.gridH; ++y) {
        const float rowPhase = 0.15f * (float)y;
        const float* row = &state.levels[(size_t)y * W];
        for (int x = 0; x < W; ++x) state.rowArg[x] = state.columnPhase[x] + rowPhase;
        showSinArray(state.rowArg.data(), state.rowSin.data(), W);  // Two cells at a time
        for (int x = 0; x < W; ++x) {
            const float v = row[x];
            const float flicker = state.rowSin[x] * 0.28f + 0.72f;  // 0.44..1.0
            // The floor of a positive value (v >= 0, flicker >= 0.44) is its truncation: no floorf call
            const int glyph = tableIndex(v * (float)top + 0.6f * flicker, top);
            const float heat = clampf((v - 0.35f) / 0.65f, 0.0f, 1.0f);
            const int r0 = clampByte((int)(heat * 200.0f + 55.0f + v * 40.0f));
            const int g0 = clampByte((int)(heat * 160.0f + 20.0f + (1.0f - heat) * 60.0f));
            const int b0 = clampByte((int)(state.columnTint[x] + (1.0f - heat) * 120.0f + 10.0f));
            const Color fg = {clampByte((int)((float)r0 * flicker)), clampByte((int)((float)g0 * flicker)),
                              clampByte((int)((float)b0 * flicker)), 255};
            const Color bg = {(unsigned char)(int)(25.0f * v + 4.0f), (unsigned char)(int)(18.0f * v + 2.0f),
                              (unsigned char)(int)(36.0f * (1.0f - heat) + 8.0f), 255};
            fb.setCell(x, y, ramp[glyph], fg, bg);
        }
    }
}

}  // namespace

void cellular(AsciiFramebuffer& fb, float sceneTime, Color, const BeatInfo*, const AudioFeatures* audio) {
    if (fb.cols < kMinGridSize || fb.rows < kMinGridSize) return;
    const bool heard = audio != nullptr && audio->valid;
    const float bass = heard ? audio->bass : 0.0f;
    const float treble = heard ? audio->treble : 0.0f;
    const FrameAudio frameAudio = {(int)(bass * 10.0f + 3.0f + treble * 14.0f), treble * 8.0f + 5.4f,
                                   0.62f - 0.18f * bass};
    updateCellular(fb.cols, fb.rows, sceneTime, frameAudio);
    drawCellular(fb, sceneTime);
}
