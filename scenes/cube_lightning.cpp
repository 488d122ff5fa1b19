// Cube lightning: short-lived strikes at hashed moments. Each strike grows a main bolt down from
// the top edge and one to three side branches; a bolt is a random walk of slash glyphs that bends
// towards the nearest point of the cube's wireframe and ends in a star when it touches it.
#include "scenes/cube_lightning.h"

#include <cmath>  // Required for: floorf(), roundf()

#include "math/show_math.h"  // Required for: showSin(), showCos(), showAtan2()
#include "scenes/scene_math.h"

namespace {

// Schedule
constexpr float kGapBase = 0.62f;
constexpr float kGapPerFacing = 0.48f;
constexpr float kGapMin = 0.1f;
constexpr float kGapMax = 0.7f;
constexpr float kMinDuration = 0.22f;
constexpr float kDurationSpread = 0.18f;

// Life of a strike: grows over the first 34 %, fades over the rest
constexpr float kRiseShare = 0.34f;
constexpr float kFallShare = 0.66f;
constexpr float kMinVisibleIntensity = 0.02f;
constexpr float kMaxIntensity = 2.0f;
constexpr float kBranchIntensity = 0.75f;

// Walk of a bolt
constexpr float kHeadingWobble = 0.24f;
constexpr float kMainStepX = 0.85f, kMainStepY = 0.72f;
constexpr float kBranchStepX = 0.65f, kBranchStepY = 0.62f;
constexpr float kDownwardDrift = 0.42f;  // Every bolt falls, whatever its heading
constexpr float kSteerRange2 = 36.0f;    // Squared cells within which a target pulls the bolt
constexpr float kSteerPull = 0.42f;     // Share of the new heading that points at the target
constexpr float kSteerKeep = 0.58f;     // Share kept from the old heading
constexpr float kSteerNudge = 0.25f;
constexpr float kTouchRange2 = 1.3f;     // Squared cells: the bolt has reached the wireframe
constexpr float kSlashSlope = 0.22f;     // |dx| above which a step is drawn slanted

struct StrikeShape {
    float rise;       // [0..1]
    float intensity;  // [0..2]
};

unsigned char channel(float v) {
    // Truncated and clamped to 0..255
    return v <= 0.0f ? 0 : (v >= 255.0f ? 255 : (unsigned char)(int)v);
}

Color shade(float r, float g, float b) { return Color{channel(r), channel(g), channel(b), 255}; }

}  // namespace

float lightningHash(float x) {
    const float v = showSin(x * 127.1f + 311.7f) * 43758.547f;
    return v - floorf(v);
}

float strikeGap(float facing) { return clampf(kGapBase - kGapPerFacing * facing, kGapMin, kGapMax); }

void appendStrike(LightningSchedule& schedule, LightningStrike strike) {
    if (schedule.count == kMaxLightningStrikes) {
        for (int i = 1; i < schedule.count; ++i) schedule.strikes[i - 1] = schedule.strikes[i];
        schedule.count--;
    }
    schedule.strikes[schedule.count++] = strike;
}

//----------------------------------------------------------------------------------
// Update: the strike schedule
//----------------------------------------------------------------------------------
namespace {

void spawnDueStrikes(LightningSchedule& schedule, float t, float facing, float size) {
    const float gap = strikeGap(facing);
    // A long frame spawns every strike that fell due during it, each at its own time
    while (t >= schedule.nextSpawn) {
        const float s = schedule.nextSpawn;
        const float seed = lightningHash(s * 1.71f + 2.33f * size);
        const float duration = kMinDuration + kDurationSpread * lightningHash(s * 3.19f + 0.71f);
        appendStrike(schedule, LightningStrike{s, duration, seed});
        schedule.nextSpawn = s + (0.75f + 0.55f * lightningHash(s * 2.11f + 8.0f)) * gap;
        // At scene times past about 2^21 s the gap no longer moves a float: spawn once, not forever
        if (schedule.nextSpawn <= s) break;
    }
}

void expireStrikes(LightningSchedule& schedule, float t) {
    int kept = 0;
    for (int i = 0; i < schedule.count; ++i) {
        const LightningStrike& s = schedule.strikes[i];
        if ((t - s.start) / s.duration < 1.0f) schedule.strikes[kept++] = s;
    }
    schedule.count = kept;
}

}  // namespace

void updateLightning(LightningSchedule& schedule, float t, float facing, float size) {
    if (schedule.lastTime < 0.0f || schedule.lastTime > t) {
        schedule.count = 0;
        schedule.nextSpawn = t;
    }
    schedule.lastTime = t;
    spawnDueStrikes(schedule, t, facing, size);
    expireStrikes(schedule, t);
}

//----------------------------------------------------------------------------------
// Draw: bolts
//----------------------------------------------------------------------------------
namespace {

// Squared distance to the nearest target closer than the steering range (kSteerRange2 when none);
// on a tie the earlier target wins.
float nearestTarget(const Vector2* targets, int targetCount, float x, float y, Vector2& nearest) {
    float best = kSteerRange2;
    for (int i = 0; i < targetCount; ++i) {
        const float dx = targets[i].x - x;
        const float dy = targets[i].y - y;
        const float d2 = dx * dx + dy * dy;
        if (d2 < best) {
            best = d2;
            nearest = targets[i];
        }
    }
    return best;
}

StrikeShape strikeShape(const LightningStrike& strike, float t, const CubeLook& look) {
    const float age = (t - strike.start) / strike.duration;
    const float rise = clamp01(age / kRiseShare);
    const float fall = clamp01((1.0f - age) / kFallShare);
    const float intensity =
        clampf((0.7f * rise + 0.3f) * fall * look.energy * (0.35f * look.flash + 0.85f), 0.0f, kMaxIntensity);
    return StrikeShape{rise, intensity};
}

void drawStrike(AsciiFramebuffer& fb, const LightningStrike& strike, const StrikeShape& shape,
                const Vector2* targets, int targetCount, Color bg) {
    const float seed = strike.seed;
    const float x0 = (0.8f * seed + 0.1f) * (float)(fb.cols - 1);
    int mainSteps = (int)floorf(shape.rise * (float)(fb.rows + fb.rows / 2));
    if (mainSteps < 4) mainSteps = 4;
    const float mainHeading = 1.45f + 0.3f * showSin(13.0f * seed);  // About straight down
    drawBolt(fb, LightningBolt{x0, 0.0f, mainHeading, seed, mainSteps, shape.intensity, true}, targets,
             targetCount, bg);

    // Branches keep their shape for the strike's whole life: they hang off the main bolt's length only
    const int branches = 1 + (seed > 0.58f ? 1 : 0) + (seed > 0.83f ? 1 : 0);
    for (int j = 0; j < branches; ++j) {
        const float k = (1.7f * (float)j + 3.1f) * seed;
        const float startX = x0 + 2.0f * showSin(8.0f * k);
        const float startY = clampf((0.25f + 0.55f * lightningHash(k + 1.9f)) * (float)mainSteps * 0.68f, 2.0f,
                                   (float)(fb.rows - 3));
        const float heading = (lightningHash(k + 0.37f) - 0.5f) * 1.9f + 1.3f;
        int steps = (int)((0.24f + 0.18f * lightningHash(k + 4.4f)) * (float)mainSteps);
        if (steps < 3) steps = 3;
        drawBolt(fb, LightningBolt{startX, startY, heading, k + 12.3f, steps, kBranchIntensity * shape.intensity,
                                   false},
                 targets, targetCount, bg);
    }
}

}  // namespace

BoltEnd drawBolt(AsciiFramebuffer& fb, const LightningBolt& bolt, const Vector2* targets, int targetCount,
                 Color bg) {
    const float stepX = bolt.main ? kMainStepX : kBranchStepX;
    const float stepY = bolt.main ? kMainStepY : kBranchStepY;
    const float I = bolt.intensity;
    const Color core = shade(220.0f * I, 245.0f * I, 255.0f * I);
    const Color halo = shade(90.0f * I, 155.0f * I, 255.0f * I);
    const Color star = shade(245.0f * I, 250.0f * I, 255.0f);

    float x = bolt.x;
    float y = bolt.y;
    float heading = bolt.heading;
    for (int i = 0; i < bolt.steps; ++i) {
        heading += kHeadingWobble * showSin(0.71f * (float)i + 17.0f * bolt.seed);
        const float dx = showCos(heading) * stepX;
        x += dx;
        y += showSin(heading) * stepY + kDownwardDrift;

        Vector2 target = {};
        const float best = nearestTarget(targets, targetCount, x, y, target);
        if (best < kSteerRange2) {
            heading = kSteerPull * showAtan2(target.y - y, target.x - x) + kSteerKeep * heading;
            x += kSteerNudge * showCos(heading);
            y += kSteerNudge * showSin(heading);
        }

        const int X = (int)roundf(x);
        const int Y = (int)roundf(y);
        if (X < 1 || Y < 1 || X >= fb.cols - 1 || Y >= fb.rows - 1) return BoltEnd::Border;

        const uint32_t glyph = dx > kSlashSlope ? '/' : (dx < -kSlashSlope ? '\\' : '|');
        fb.setCell(X, Y, glyph, core, bg);
        fb.setCell(X - 1, Y, '.', halo, bg);
        fb.setCell(X + 1, Y, '.', halo, bg);
        if (best < kTouchRange2) {
            fb.setCell(X, Y, '*', star, bg);
            return BoltEnd::Star;
        }
    }
    return BoltEnd::StepsDone;
}

void drawLightning(AsciiFramebuffer& fb, const LightningSchedule& schedule, float t, const CubeLook& look,
                   const Vector2* targets, int targetCount, Color bg) {
    for (int i = 0; i < schedule.count; ++i) {
        const LightningStrike& strike = schedule.strikes[i];
        const StrikeShape shape = strikeShape(strike, t, look);
        if (shape.intensity <= kMinVisibleIntensity) continue;
        drawStrike(fb, strike, shape, targets, targetCount, bg);
    }
}
