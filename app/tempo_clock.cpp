#include "app/tempo_clock.h"

#include <cmath>  // Required for: floorf()

#include "math/clamp.h"  // Required for: clampf()

namespace {

constexpr float kMinBpm = 40.0f;
constexpr float kMaxBpm = 300.0f;

int32_t atLeastOne(int32_t v) { return v < 1 ? 1 : v; }

float fraction(float v) {
    float f = v - floorf(v);
    if (f < 0.0f) f += 1.0f;
    return f;
}

}  // namespace

TempoClock makeTempoClock(TempoConfig config) {
    config.stepsPerBeat = atLeastOne(config.stepsPerBeat);
    config.beatsPerBar = atLeastOne(config.beatsPerBar);
    config.barsPerPhrase = atLeastOne(config.barsPerPhrase);
    return TempoClock{config, clampf(config.baseBpm, kMinBpm, kMaxBpm), 0.0f, 0.0f};
}

BeatInfo update(const TempoClock& clock, float now) {
    const TempoConfig& cfg = clock.config;
    BeatInfo info{};
    info.bpm = clock.bpm;
    info.stepsPerBeat = cfg.stepsPerBeat;
    info.beatsPerBar = cfg.beatsPerBar;
    info.barsPerPhrase = cfg.barsPerPhrase;

    float beats = clock.anchorBeats + (now - clock.anchorTime) * (clock.bpm / 60.0f);
    if (beats < 0.0f) beats = 0.0f;
    const float steps = (float)cfg.stepsPerBeat * beats;
    info.beatPos = beats;
    info.stepPos = steps;

    const int32_t beatIndex = (int32_t)floorf(beats);
    const int32_t stepIndex = (int32_t)floorf(steps);
    info.beatIndex = beatIndex < 0 ? 0 : beatIndex;
    info.stepIndex = stepIndex < 0 ? 0 : stepIndex;
    info.barIndex = info.beatIndex / cfg.beatsPerBar;
    info.barInPhrase = info.barIndex % cfg.barsPerPhrase;
    info.stepInPhrase = info.stepIndex % (cfg.stepsPerBeat * cfg.beatsPerBar * cfg.barsPerPhrase);

    info.beatPhase = fraction(beats);
    info.stepPhase = fraction(steps);
    info.secondsPerBeat = 60.0f / clock.bpm;
    info.secondsPerBar = (float)cfg.beatsPerBar * 60.0f / clock.bpm;
    info.secondsPerPhrase = (float)cfg.barsPerPhrase * info.secondsPerBar;
    return info;
}

void nudgeBpm(TempoClock& clock, float delta, float now) { setBpm(clock, clock.bpm + delta, now); }

void setBpm(TempoClock& clock, float bpm, float now) {
    clock.anchorBeats = clock.anchorBeats + (now - clock.anchorTime) * clock.bpm / 60.0f;
    clock.anchorTime = now;
    clock.bpm = clampf(bpm, kMinBpm, kMaxBpm);
}

void restartBeats(TempoClock& clock, float now) {
    clock.anchorTime = now;
    clock.anchorBeats = 0.0f;
}
