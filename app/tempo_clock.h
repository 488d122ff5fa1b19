// A free-running musical clock: beats, steps, bars and phrases from a tempo and the wall clock.
#pragma once

#include <cstdint>

struct TempoConfig {
    float baseBpm;
    int32_t stepsPerBeat;
    int32_t beatsPerBar;
    int32_t barsPerPhrase;
};

// The clock's reading for one frame; scenes read beatPos and beatPhase.
struct BeatInfo {
    float bpm;
    int32_t stepsPerBeat;
    int32_t beatsPerBar;
    int32_t barsPerPhrase;
    float beatPos;          // Beats since the anchor [0..)
    float stepPos;
    int32_t beatIndex;
    int32_t stepIndex;
    int32_t barIndex;
    int32_t barInPhrase;
    int32_t stepInPhrase;
    float beatPhase;        // Fraction of the current beat [0..1)
    float stepPhase;
    float secondsPerBeat;
    float secondsPerBar;
    float secondsPerPhrase;
};

struct TempoClock {
    TempoConfig config;
    float bpm;              // Tempo in use [40..300]
    float anchorTime;       // Seconds at which anchorBeats held
    float anchorBeats;
};

TempoClock makeTempoClock(TempoConfig config);
BeatInfo update(const TempoClock& clock, float now);
void nudgeBpm(TempoClock& clock, float delta, float now);
// A new tempo from `now` on (clamped to 40..300), the beat position continuous across the change.
void setBpm(TempoClock& clock, float bpm, float now);
void restartBeats(TempoClock& clock, float now);
