// dual_fluid: a small grid fluid in which two dyes, pumped in by bobbing jets from opposite sides,
// swirl into each other. A velocity field carries both dyes (semi-Lagrangian advection with bilinear
// sampling on a wrapping grid); dye A lifts the flow, dye B sinks it, and dense dye slows it down.
// Cells show the dye amount as a glyph and blend cyan-blue (A) and orange (B), whitening where the
// two meet.
#include <cmath>    // Required for: fmodf(), floorf(), roundf()
#include <cstdlib>  // Required for: abs()
#include <initializer_list>
#include <utility>  // Required for: std::swap()
#include <vector>

#include "math/show_math.h"  // Required for: showSin(), showCos()
#include "scenes/scene_math.h"
#include "scenes/scenes.h"

namespace {

constexpr int kMinGridSize = 10;              // Smaller grids are left alone
constexpr float kStepSeconds = 1.0f / 30.0f;  // 30 steps per second of scene time
constexpr float kMaxFrameSeconds = 0.2f;      // A long frame gap runs at most 6 steps
constexpr float kPi = 3.14159265f;

constexpr float kCarry = 1.6f;        // One step carries dye this many cells per unit of velocity
constexpr float kMaxDye = 1.6f;       // Jets never fill a cell beyond this
constexpr float kDrawnDyeMax = 1.5f;  // Rendering treats more dye as this much

const uint32_t kRamp[] = {' ', '.', ':', '-', '=', '+', '*', '#', '%', '@'};

struct FluidState {
    int fluidW = 0;
    int fluidH = 0;
    float fluidLastTime = 0.0f;
    float fluidAccumulator = 0.0f;  // Scene time not yet simulated, below one step between frames
    std::vector<float> dyeA, dyeB;  // Row-major, 0..1.6
    std::vector<float> velU, velV;  // Positive U points right, positive V down the screen
    std::vector<float> dyeANext, dyeBNext, velUNext, velVNext;  // Scratch each pass writes into
    // Sized with the grid: the stirring currents and the pull to the middle, per column and per row
    std::vector<float> columnStirU, columnStirV, columnPullU;
    std::vector<float> rowSwirl, rowStirU, rowPullV;
};

// Where a step reads a field around one cell: the grid wraps at all four edges
struct Neighbours {
    size_t self, left, right, up, down;
};

FluidState state;


//----------------------------------------------------------------------------------
// Update
//----------------------------------------------------------------------------------

void sizeFields(std::initializer_list<std::vector<float>*> fields, int cols, int rows) {
    for (std::vector<float>* field : fields) field->assign((size_t)cols * (size_t)rows, 0.0f);
}

void sizeTables(int cols, int rows) {
    state.columnStirU.resize((size_t)cols);
    state.columnStirV.resize((size_t)cols);
    state.columnPullU.resize((size_t)cols);
    for (int x = 0; x < cols; ++x) state.columnPullU[x] = 0.008f * 2.0f * ((float)x / (float)cols - 0.5f);
    state.rowSwirl.resize((size_t)rows);
    state.rowStirU.resize((size_t)rows);
    state.rowPullV.resize((size_t)rows);
    for (int y = 0; y < rows; ++y) state.rowPullV[y] = 0.006f * 2.0f * ((float)y / (float)rows - 0.5f);
}

// Still, empty fluid
void resetFluid(int cols, int rows, float t) {
    state.fluidW = cols;
    state.fluidH = rows;
    state.fluidLastTime = t;
    state.fluidAccumulator = 0.0f;
    sizeFields({&state.dyeA, &state.dyeB, &state.velU, &state.velV, &state.dyeANext, &state.dyeBNext,
                &state.velUNext, &state.velVNext},
               cols, rows);
    sizeTables(cols, rows);
}

// Nearest-cell resampling of dyes and velocities (unscaled) onto the new grid; time carries on.
void resizeFluid(int cols, int rows, float t) {
    if (state.dyeA.empty() || state.fluidW < 1 || state.fluidH < 1) {
        resetFluid(cols, rows, t);
        return;
    }
    const int oldW = state.fluidW;
    const int oldH = state.fluidH;
    // The scratch arrays hold the old fields while the new ones are filled
    std::swap(state.dyeA, state.dyeANext);
    std::swap(state.dyeB, state.dyeBNext);
    std::swap(state.velU, state.velUNext);
    std::swap(state.velV, state.velVNext);
    state.fluidW = cols;
    state.fluidH = rows;
    sizeFields({&state.dyeA, &state.dyeB, &state.velU, &state.velV}, cols, rows);
    for (int y = 0; y < rows; ++y) {
        const int sy = clampInt((int)floorf(((float)y + 0.5f) / (float)rows * (float)oldH), 0, oldH - 1);
        for (int x = 0; x < cols; ++x) {
            const int sx = clampInt((int)floorf(((float)x + 0.5f) / (float)cols * (float)oldW), 0, oldW - 1);
            const size_t to = (size_t)y * cols + x;
            const size_t from = (size_t)sy * oldW + sx;
            state.dyeA[to] = state.dyeANext[from];
            state.dyeB[to] = state.dyeBNext[from];
            state.velU[to] = state.velUNext[from];
            state.velV[to] = state.velVNext[from];
        }
    }
    sizeFields({&state.dyeANext, &state.dyeBNext, &state.velUNext, &state.velVNext}, cols, rows);
    sizeTables(cols, rows);
}

// The stirring currents hold for every step of one frame: the step formulas use the frame's scene time
void prepareFrame(float t) {
    for (int x = 0; x < state.fluidW; ++x) {
        state.columnStirU[x] = 0.06f * showSin(1.4f * t + 0.09f * (float)x);
        state.columnStirV[x] = 0.02f * showSin(1.7f * t + 0.07f * (float)x);
    }
    for (int y = 0; y < state.fluidH; ++y) {
        state.rowSwirl[y] = showCos(0.13f * (float)y - 1.9f * t);
        state.rowStirU[y] = 0.055f * showSin(2.2f * t + 0.14f * (float)y);
    }
}

Neighbours neighboursOf(int x, int y, int W, int H) {
    const size_t row = (size_t)y * W;
    return {row + x, row + ((x == 0) ? W - 1 : x - 1), row + ((x == W - 1) ? 0 : x + 1),
            (size_t)((y == 0) ? H - 1 : y - 1) * W + x, (size_t)((y == H - 1) ? 0 : y + 1) * W + x};
}

// Sum over the four edge neighbours: right, left, up, down
float neighbourSum(const float* f, const Neighbours& n) { return f[n.right] + f[n.left] + f[n.up] + f[n.down]; }

// fmodf(p, size), plus size when negative. A position less than one grid size away from 0 is its
// own remainder, which spares the library call for everything but runaway velocities.
float wrapPosition(float p, float size) {
    float r = (p > -size && p < size) ? p : fmodf(p, size);
    if (r < 0.0f) r += size;
    return r;
}

// Bilinear sampling on the torus, at a point already wrapped into [0, size] by wrapPosition
struct Sampler {
    size_t i00, i01, i10, i11;
    float fx, fy;
};

Sampler samplerAt(float sx, float sy, int W, int H) {
    // floorf of a position that is never negative: truncation gives the same cell, without the call
    const int ix = (int)sx;
    const int iy = (int)sy;
    // ix is at most W (a tiny negative position wrapped up to W), so one subtraction wraps it
    const int x0 = (ix < W) ? ix : ix - W;
    const int x1 = (x0 + 1 < W) ? x0 + 1 : 0;
    const int y0 = (iy < H) ? iy : iy - H;
    const int y1 = (y0 + 1 < H) ? y0 + 1 : 0;
    return {(size_t)y0 * W + x0, (size_t)y0 * W + x1, (size_t)y1 * W + x0, (size_t)y1 * W + x1, sx - (float)ix,
            sy - (float)iy};
}

float sample(const float* f, const Sampler& s) {
    return ((1.0f - s.fx) * f[s.i00] + s.fx * f[s.i01]) * (1.0f - s.fy) +
           ((1.0f - s.fx) * f[s.i10] + s.fx * f[s.i11]) * s.fy;
}

// Velocity pass and advection in one sweep: a cell's advection needs only its own new velocity,
// so each cell moves its dyes right after its velocity is known
void stepFlow() {
    const int W = state.fluidW;
    const int H = state.fluidH;
    const float* u = state.velU.data();
    const float* v = state.velV.data();
    const float* dyeA = state.dyeA.data();
    const float* dyeB = state.dyeB.data();
    for (int y = 0; y < H; ++y) {
        const float swirl = state.rowSwirl[y];
        const float stirU = state.rowStirU[y];
        const float pullV = state.rowPullV[y];
        for (int x = 0; x < W; ++x) {
            const Neighbours n = neighboursOf(x, y, W, H);
            const float a = dyeA[n.self];
            const float b = dyeB[n.self];
            // Dense dye slows the flow; dye A drives it up, dye B down
            const float k = 1.0f - clampf((a + b) * 0.45f, 0.0f, 0.35f);
            const float newV = k * ((state.columnStirV[x] + (0.986f * v[n.self] - 0.18f * (a - b)) - pullV) * 0.84f +
                                    neighbourSum(v, n) * 0.25f * 0.16f);
            const float newU = k * ((state.columnStirU[x] * swirl + (stirU + 0.986f * u[n.self]) -
                                     state.columnPullU[x]) * 0.84f +
                                    neighbourSum(u, n) * 0.25f * 0.16f);
            state.velUNext[n.self] = newU;
            state.velVNext[n.self] = newV;

            const float sx = wrapPosition((float)x - kCarry * newU, (float)W);
            const float sy = wrapPosition((float)y - kCarry * newV, (float)H);
            const Sampler source = samplerAt(sx, sy, W, H);
            state.dyeANext[n.self] = (sample(dyeA, source) * 0.94f + neighbourSum(dyeA, n) * 0.25f * 0.06f) * 0.996f;
            state.dyeBNext[n.self] = (sample(dyeB, source) * 0.94f + neighbourSum(dyeB, n) * 0.25f * 0.06f) * 0.996f;
        }
    }
    std::swap(state.velU, state.velUNext);
    std::swap(state.velV, state.velVNext);
}

// Two diamond-shaped patches, 5 cells wide and 9 rows tall, add dye and push sideways
void applyJets(float t, float bass, float treble) {
    const int W = state.fluidW;
    const int H = state.fluidH;
    const float phase = (treble * 1.6f + 1.2f) * t;
    const float yA = 0.5f * (float)H + 0.19f * (float)H * showSin(phase);
    const float yB = 0.5f * (float)H + 0.19f * (float)H * showSin(phase + kPi);
    const int xA = W / 6 > 1 ? W / 6 : 1;
    const int xB = W - W / 6 > 2 ? W - W / 6 : 2;
    const int rA = (int)roundf(yA);
    const int rB = (int)roundf(yB);
    const float dye = 0.3f * bass + 0.28f;
    const float push = 0.25f * bass + 0.18f;
    for (int dy = -4; dy <= 4; ++dy) {
        for (int dx = -2; dx <= 2; ++dx) {
            const float w = 1.0f - clampf((float)abs(dx) / 3.0f + (float)abs(dy) / 5.0f, 0.0f, 1.0f);
            if (w <= 0.0f) continue;
            // Jet cells stay inside a one-cell border
            const size_t cA = (size_t)clampInt(rA + dy, 1, H - 2) * W + clampInt(xA + dx, 1, W - 2);
            const size_t cB = (size_t)clampInt(rB + dy, 1, H - 2) * W + clampInt(xB + dx, 1, W - 2);
            const float addedA = state.dyeANext[cA] + dye * w;
            state.dyeANext[cA] = addedA < kMaxDye ? addedA : kMaxDye;
            const float addedB = state.dyeBNext[cB] + dye * w;
            state.dyeBNext[cB] = addedB < kMaxDye ? addedB : kMaxDye;
            state.velU[cA] += push * w;
            state.velU[cB] -= push * w;
        }
    }
}

void stepFluid(float t, float bass, float treble) {
    stepFlow();
    applyJets(t, bass, treble);
    std::swap(state.dyeA, state.dyeANext);
    std::swap(state.dyeB, state.dyeBNext);
}

void updateFluid(int cols, int rows, float t, float bass, float treble) {
    if (state.fluidLastTime > t) resetFluid(cols, rows, t);
    else if (state.fluidW != cols || state.fluidH != rows) resizeFluid(cols, rows, t);

    state.fluidAccumulator += clampf(t - state.fluidLastTime, 0.0f, kMaxFrameSeconds);
    state.fluidLastTime = t;
    if (state.fluidAccumulator < kStepSeconds) return;
    prepareFrame(t);
    while (state.fluidAccumulator >= kStepSeconds) {
        state.fluidAccumulator -= kStepSeconds;
        stepFluid(t, bass, treble);
    }
}

//----------------------------------------------------------------------------------
// Draw
//----------------------------------------------------------------------------------

void drawFluid(AsciiFramebuffer& fb) {
    const int W = state.fluidW;
    for (int y = 0; y < state.fluidH; ++y) {
        for (int x = 0; x < W; ++x) {
            const size_t i = (size_t)y * W + x;
            const float a = clampf(state.dyeA[i], 0.0f, kDrawnDyeMax);
            const float b = clampf(state.dyeB[i], 0.0f, kDrawnDyeMax);
            const float s = a + b;
            const float intensity = clampf(clampf(s, 0.0f, 1.8f) / 1.4f, 0.0f, 1.0f);
            const int glyph = tableIndex(9.0f * intensity, 9);
            const float mix = (s > 0.0001f) ? b / s : 0.0f;  // 0 all dye A, 1 all dye B
            const float brightness = 0.75f * intensity + 0.55f;
            const float overlap = clampf(1.4f * (a < b ? a : b), 0.0f, 1.0f);
            const int r0 = (int)((1.0f - mix) * 40.0f + mix * 255.0f);
            const int g0 = (int)((1.0f - mix) * 170.0f + mix * 120.0f);
            const int b0 = (int)((1.0f - mix) * 255.0f + mix * 40.0f);
            // Where the dyes meet, the overlap term whitens the colour
            const Color fg = {clampByte((int)(brightness * (float)r0 + 85.0f * overlap)),
                              clampByte((int)(brightness * (float)g0 + 95.0f * overlap)),
                              clampByte((int)(brightness * (float)b0 + 110.0f * overlap)), 255};
            const Color bg = {clampByte((int)(0.12f * (float)r0 + 8.0f)), clampByte((int)(0.12f * (float)g0 + 10.0f)),
                              clampByte((int)(0.14f * (float)b0 + 16.0f)), 255};
            fb.setCell(x, y, kRamp[glyph], fg, bg);
        }
    }
}

}  // namespace

void dual_fluid(AsciiFramebuffer& fb, float sceneTime, Color, const BeatInfo*, const AudioFeatures* audio) {
    if (fb.cols < kMinGridSize || fb.rows < kMinGridSize) return;
    const bool heard = audio != nullptr && audio->valid;
    updateFluid(fb.cols, fb.rows, sceneTime, heard ? audio->bass : 0.0f, heard ? audio->treble : 0.0f);
    drawFluid(fb);
}
