// A free-running musical clock: beats, steps, bars and phrases from a tempo and the wall clock.
#pragma once

#include <cstdint>

#include "audio/beat_info.h"

struct TempoConfig {
    float baseBpm;
    int32_t stepsPerBeat;
    int32_t beatsPerBar;
    int32_t barsPerPhrase;
};

// The show's tempo: 125 bpm, four steps a beat, four beats a bar, sixteen bars a phrase.
constexpr TempoConfig kShowTempo = {125.0f, 4, 4, 16};

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
