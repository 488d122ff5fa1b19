#include "app/zoom.h"

#include <cmath>    // Required for: fabsf(), roundf()

#include "math/clamp.h"
#include "math/show_math.h"  // Required for: showExp()

namespace {

struct ZoomParams {
    float amplitude;  // Factor on how far the spring moves the level
    float target;     // Factor on where the music pulls the spring
    float stiffness;
    float kick;       // Velocity taken away by a rise of the beat
    float damping;
};

constexpr ZoomParams kNormal = {1.0f, 1.0f, 9.0f, 3.0f, 6.0f};
constexpr ZoomParams kFluid = {0.55f, 0.6f, 8.0f, 1.8f, 7.0f};
constexpr ZoomParams kFractal = {0.82f, 0.8f, 8.5f, 2.2f, 6.8f};
constexpr ZoomParams kSteady = {0.0f, 0.0f, 16.0f, 0.0f, 11.0f};

constexpr int kMinLevel = -7, kMaxLevel = 7;
constexpr float kMaxVelocity = 1.8f;
constexpr float kDeadBand = 0.35f;  // Spring shares below this leave the level at the viewer's zoom
constexpr float kUserStep = 0.5f;
constexpr float kUserLimit = 4.0f;

int clampLevel(int v) { return clampInt(v, kMinLevel, kMaxLevel); }

const ZoomParams& paramsFor(ZoomClass c) {
    switch (c) {
        case ZoomClass::Fluid: return kFluid;
        case ZoomClass::Fractal: return kFractal;
        case ZoomClass::Steady: return kSteady;
        case ZoomClass::Normal: break;
    }
    return kNormal;
}

// The level nearest z, clamped; NaN counts as level 0.
int levelOf(float z) {
    if (z != z) return 0;
    const float r = roundf(clampf(z, (float)kMinLevel, (float)kMaxLevel));
    return clampLevel((int)r);
}

// A measurement that is NaN reaches the spring as 0, so the spring never turns NaN itself.
float orZero(float v) { return v != v ? 0.0f : v; }
AudioFeatures withoutNaN(AudioFeatures a) {
    a.bass = orZero(a.bass);
    a.mid = orZero(a.mid);
    a.treble = orZero(a.treble);
    a.beat = orZero(a.beat);
    return a;
}

}  // namespace

ZoomClass zoomClassFor(const char* sceneName) { return sceneFacts(sceneName).zoomClass; }

int zoomStep(ZoomSpring& spring, float dt, const AudioFeatures& measured, const char* sceneName) {
    const AudioFeatures audio = withoutNaN(measured);
    spring.springPos = orZero(spring.springPos);
    spring.springVel = orZero(spring.springVel);
    spring.prevBeat = orZero(spring.prevBeat);
    const ZoomClass zoomClass = zoomClassFor(sceneName);
    const ZoomParams& p = paramsFor(zoomClass);

    const float g = clampf(audio.bass * 0.55f + audio.beat * 0.75f, 0.0f, 1.0f);
    const float amp = (g * 0.42f + 0.78f) * p.amplitude;

    float rise = audio.beat - spring.prevBeat;
    if (rise < 0.0f) rise = 0.0f;
    spring.prevBeat = audio.beat;

    // Loud bass and beats push towards larger cells, quiet passages pull towards smaller ones
    const float push = clampf(audio.beat * 1.05f + audio.bass * 0.75f, 0.0f, 1.35f);
    const float pull = clampf((1.0f - audio.beat) * 0.55f + audio.mid * 0.55f + audio.treble * 0.3f, 0.0f, 1.1f);
    const float target = clampf(pull - push, -1.0f, 1.0f) * p.target;

    // The velocity is added once per frame without dt: dt scales only the forces and the damping
    spring.springVel = showExp(-p.damping * dt) * (spring.springVel + p.stiffness * dt * (target - spring.springPos) -
                                                p.kick * rise - 2.2f * dt * spring.springPos);
    spring.springVel = clampf(spring.springVel, -kMaxVelocity, kMaxVelocity);
    spring.springPos = clampf(spring.springPos + spring.springVel, -1.0f, 1.0f);
    if (fabsf(spring.springPos) > 0.92f) spring.springPos = spring.springPos * 0.96f;

    const float z = amp * 7.0f * spring.springPos + spring.userZoom;
    int level = levelOf(z);
    if (fabsf(z - spring.userZoom) < kDeadBand) level = levelOf(spring.userZoom);

    if (zoomClass == ZoomClass::Steady) {
        level = 0;
        spring.springPos = spring.springPos * showExp(-12.0f * dt);
        spring.springVel = spring.springVel * showExp(-14.0f * dt);
    }
    return level;
}

void zoomOut(ZoomSpring& spring) { spring.userZoom = clampf(spring.userZoom + kUserStep, -kUserLimit, kUserLimit); }
void zoomIn(ZoomSpring& spring) { spring.userZoom = clampf(spring.userZoom - kUserStep, -kUserLimit, kUserLimit); }
