// The musical clock's reading for one frame: a per-frame input of the scenes, like AudioFeatures.
// The clock that gives it is app/tempo_clock.h.
#pragma once

#include <cstdint>

// Scenes read beatPos and beatPhase.
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
