// goo_bounce: five soft blobs (metaballs) that orbit the centre, bounce off the screen edges, push
// each other apart and swell and jump with the music. Each frame advances the five-ball simulation,
// then samples the summed field at every cell through a wavy distortion: the field picks the glyph,
// the balls' colour weights mix each cell between cold blue and warm orange, and the background
// glows dimly inside the blobs.
#include "scenes/goo_bounce.h"

#include <cmath>  // Required for: sqrtf(), fabsf()
#include <vector>

#include "math/show_math.h"  // Required for: showSin(), showExp(), showPow(), showSinArray()
#include "scenes/ramps.h"
#include "scenes/scene_math.h"
#include "scenes/scenes.h"

const GooBall gooInitialBalls[kGooBallCount] = {
    {-0.62f, -0.20f, 0.25f, 0.14f, 0.44f, 0.10f},
    {0.58f, 0.16f, -0.22f, -0.12f, 0.40f, 0.85f},
    {-0.18f, 0.50f, 0.17f, -0.18f, 0.33f, 0.25f},
    {0.26f, -0.52f, -0.16f, 0.16f, 0.29f, 0.70f},
    {0.02f, 0.02f, 0.20f, -0.15f, 0.36f, 0.45f},
};

namespace {

constexpr int kMinCols = 10;           // Smaller grids are left as they are
constexpr int kMinRows = 10;
constexpr float kMaxStep = 0.12f;      // Longest time step of one frame, in seconds
constexpr float kWall = 1.08f;         // Half-size of the square the balls bounce in
constexpr float kBounce = 0.88f;       // Share of the speed kept by a bounce
constexpr float kSwirl = 0.1f;         // Anticlockwise pull around the centre
constexpr float kKickThreshold = 0.001f;
constexpr float kFieldBias = 0.001f;   // Keeps the field finite at a ball's centre
constexpr float kGlyphGamma = 0.74f;
constexpr Color kBlue = {40, 170, 255, 255};
constexpr Color kOrange = {255, 120, 40, 255};

// Per column of the grid: its field coordinate and the vertical offset of its sample points
struct GooColumn {
    float px;
    float wave;
};

struct GooState {
    GooBall balls[kGooBallCount];
    bool initialised = false;
    float lastTime = 0.0f;   // sceneTime of the previous frame
    float prevBeat = 0.0f;   // Audio beat of the previous frame
    std::vector<GooColumn> columns;  // Sized to the grid width
    std::vector<float> shimmerArg, shimmerSin;  // One row's shimmer, scratch
};

GooState goo;

// The audio as the scene reads it; all 0 without audio
struct GooAudio {
    float drive, mid, treble, beat;
};

// The distortion and colour controls of one frame
struct GooLook {
    float phaseX, freqX, ampY;
    float freqY, phaseY, ampRow;
    float shimmerFreq, shimmerPhase, shimmerAmp;
    float glow;
    RampStyle ramp;
};

// Field of all balls at one sample point
struct GooField {
    float sum;       // Σ f
    float weighted;  // Σ f · w
    float peak;      // Strongest single ball
};

GooAudio readAudio(const AudioFeatures* audio) {
    if (audio == nullptr || !audio->valid) return {0.0f, 0.0f, 0.0f, 0.0f};
    return {clampf(audio->beat * 0.95f + audio->bass, 0.0f, 1.35f), audio->mid, audio->treble, audio->beat};
}

void restartSimulation(GooState& s, float t) {
    for (int i = 0; i < kGooBallCount; i++) s.balls[i] = gooInitialBalls[i];
    s.lastTime = t;
    s.prevBeat = 0.0f;
    s.initialised = true;
}

// A ball past a wall is put back on it, moving away at 88 % of its speed
void bounce(float& p, float& v) {
    if (p < -kWall) {
        p = -kWall;
        v = kBounce * fabsf(v);
    } else if (p > kWall) {
        p = kWall;
        v = -kBounce * fabsf(v);
    }
}

void moveBall(GooBall& b, int i, float dt, float pull, float kick, float damp, float rate, float rise,
              float drive, float mid) {
    const float d = sqrtf(b.x * b.x + b.y * b.y) + 0.000001f;
    // Spring towards the centre plus a steady swirl
    float vx = b.vx + (-pull * b.x - kSwirl * b.y) * dt;
    float vy = b.vy + (kSwirl * b.x - pull * b.y) * dt;
    if (rise > kKickThreshold) {
        // The beat throws every ball outwards, the later balls harder
        const float s = rise * kick * (0.5f + 0.2f * (float)i);
        vx += (b.x / d) * s;
        vy += (b.y / d) * s;
    }
    b.vx = vx * damp;
    b.vy = vy * damp;
    b.x += b.vx * dt;
    b.y += b.vy * dt;

    const float target = 0.26f + 0.05f * (float)(i % 3) + (0.09f + 0.03f * (float)i) * drive + mid * 0.04f;
    b.r += (target - b.r) * rate;

    bounce(b.x, b.vx);
    bounce(b.y, b.vy);
}

// Overlapping balls push each other apart; only velocities change, positions stay put
void separate(GooBall& a, GooBall& b, float dt, float drive) {
    const float dx = b.x - a.x;
    const float dy = b.y - a.y;
    const float d = sqrtf(dx * dx + dy * dy + 0.000001f);
    const float reach = (a.r + b.r) * 0.62f;
    if (d >= reach) return;
    const float push = (reach - d) * (drive * 1.4f + 1.8f) * dt;
    a.vx -= push * dx / d;
    a.vy -= push * dy / d;
    b.vx += push * dx / d;
    b.vy += push * dy / d;
}

GooLook computeLook(const GooAudio& a, float t, bool blockGlyphs) {
    GooLook k;
    k.phaseX = (a.treble * 5.0f + 2.2f) * t;
    k.freqX = a.treble * 4.5f + 4.6f;
    k.ampY = a.treble * 0.08f + 0.08f;
    k.freqY = a.mid * 3.0f + 3.8f;
    k.phaseY = (a.mid * 2.4f + 2.0f) * t;
    k.ampRow = a.mid * 0.1f + 0.09f;
    k.shimmerFreq = a.treble * 6.0f + 7.5f;
    k.shimmerPhase = (a.treble * 11.0f + 8.0f) * t;
    k.shimmerAmp = a.treble * 0.06f + 0.02f;
    k.glow = a.drive * 0.18f;
    k.ramp = blockGlyphs ? RampStyle::Block : RampStyle::Dense;
    return k;
}

GooField sampleField(const GooBall (&balls)[kGooBallCount], float X, float Y) {
    GooField f = {0.0f, 0.0f, 0.0f};
    for (const GooBall& b : balls) {
        const float fk = b.r * b.r / ((X - b.x) * (X - b.x) + (Y - b.y) * (Y - b.y) + kFieldBias);
        f.sum += fk;
        f.weighted += fk * b.w;
        if (fk > f.peak) f.peak = fk;
    }
    return f;
}

unsigned char clampByte(int v) { return (unsigned char)(v < 0 ? 0 : (v > 255 ? 255 : v)); }

// Writes the cell whose sample point has the field f and the shimmer wave's sine shimmerSin
void shadeCell(AsciiFramebuffer& fb, int x, int y, const GooLook& k, const GooField& f, float shimmerSin) {
    const float F = f.sum + shimmerSin * k.shimmerAmp;
    const float rim = clampf((F - 0.88f) / 0.24f, 0.0f, 1.0f);
    const float body = clampf((F - 1.0f) / 1.45f, 0.0f, 1.0f);
    // Outside the blobs body is 0 and showPow(0, 0.74) is 0: the space, without the powf
    const uint32_t glyph = (body > 0.0f) ? rampGlyph(k.ramp, showPow(body, kGlyphGamma)) : ' ';

    const float m = (f.sum > 0.001f) ? clampf(f.weighted / f.sum, 0.0f, 1.0f) : 0.5f;
    const int r0 = (int)((float)kBlue.r * (1.0f - m) + (float)kOrange.r * m);
    const int g0 = (int)((float)kBlue.g * (1.0f - m) + (float)kOrange.g * m);
    const int b0 = (int)((float)kBlue.b * (1.0f - m) + (float)kOrange.b * m);

    const float bright = rim * 0.72f + 0.36f + k.glow;
    const Color fg = {clampByte((int)((float)r0 * bright)), clampByte((int)((float)g0 * bright)),
                      clampByte((int)((float)b0 * bright)), 255};
    // The strongest single ball lifts the red, so blob cores glow
    const Color bg = {clampByte((int)((float)r0 * 0.11f * body + 8.0f + f.peak * 0.8f)),
                      clampByte((int)((float)g0 * 0.11f * body + 9.0f)),
                      clampByte((int)((float)b0 * 0.13f * body + 12.0f)), 255};
    fb.setCell(x, y, glyph, fg, bg);
}

void drawGoo(AsciiFramebuffer& fb, GooState& s, const GooLook& k) {
    const int cols = fb.cols;
    const int rows = fb.rows;
    // The field spans -1..1 across the full width and height, without aspect correction
    if ((int)s.columns.size() != cols) {
        s.columns.resize((size_t)cols);
        s.shimmerArg.resize((size_t)cols);
        s.shimmerSin.resize((size_t)cols);
    }
    for (int x = 0; x < cols; x++) {
        GooColumn& c = s.columns[x];
        c.px = 2.0f * ((float)x / (float)(cols - 1) - 0.5f);
        c.wave = showSin(k.freqX * c.px - k.phaseX) * k.ampY;
    }

    for (int y = 0; y < rows; y++) {
        const float py = 2.0f * ((float)y / (float)(rows - 1) - 0.5f);
        const float rowShift = showSin(k.freqY * py + k.phaseY) * k.ampRow;
        // The shimmer's sines of the whole row by the array function, two cells at a time
        for (int x = 0; x < cols; x++) {
            const float X = s.columns[x].px + rowShift;
            const float Y = py + s.columns[x].wave;
            s.shimmerArg[x] = (X + Y) * k.shimmerFreq + k.shimmerPhase;
        }
        showSinArray(s.shimmerArg.data(), s.shimmerSin.data(), cols);
        for (int x = 0; x < cols; x++) {
            const float X = s.columns[x].px + rowShift;
            const float Y = py + s.columns[x].wave;
            shadeCell(fb, x, y, k, sampleField(s.balls, X, Y), s.shimmerSin[x]);
        }
    }
}

}  // namespace

void stepGooBalls(GooBall (&balls)[kGooBallCount], float dt, float rise, float drive, float mid) {
    const float pull = mid * 0.32f + 0.18f;
    const float kick = drive * 1.3f + 0.8f;
    const float damp = showExp(-(mid * 1.8f + 2.8f) * dt);
    const float rate = clampf(dt * 4.5f, 0.0f, 1.0f);
    for (int i = 0; i < kGooBallCount; i++) moveBall(balls[i], i, dt, pull, kick, damp, rate, rise, drive, mid);
    for (int i = 0; i < kGooBallCount; i++) {
        for (int j = i + 1; j < kGooBallCount; j++) separate(balls[i], balls[j], dt, drive);
    }
}

GooBall* gooBalls() { return goo.balls; }

void goo_bounce(AsciiFramebuffer& fb, float sceneTime, Color, const BeatInfo*, const AudioFeatures* audio) {
    if (fb.cols < kMinCols || fb.rows < kMinRows) return;

    const GooAudio a = readAudio(audio);

    // Simulation: a fresh start on the first frame and whenever time runs backwards
    if (!goo.initialised || goo.lastTime > sceneTime) restartSimulation(goo, sceneTime);
    const float dt = clampf(sceneTime - goo.lastTime, 0.0f, kMaxStep);
    goo.lastTime = sceneTime;
    const float rise = (a.beat - goo.prevBeat > 0.0f) ? a.beat - goo.prevBeat : 0.0f;
    goo.prevBeat = a.beat;
    if (dt > 0.0f) stepGooBalls(goo.balls, dt, rise, a.drive, a.mid);

    drawGoo(fb, goo, computeLook(a, sceneTime, fb.blockGlyphs));
}
