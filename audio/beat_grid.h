// The ahead pass over a whole file: its onset strength, the tempo of every stretch of it (so a
// tempo change is followed), and the beats that best fit both, found by dynamic programming over
// the whole signal. Deterministic: the same samples give the same grid on every platform.
#pragma once

#include <vector>

#include "audio/beat_reference.h"

struct BeatGrid {
    std::vector<double> beats;  // Seconds, ascending; empty when the signal has no pulse
    float bpm = 0.0f;           // 60 / the median time between two beats
    float confidence = 0.0f;    // 0..1: how much stronger the onsets on the beats are than the rest
};

// The grid of the onset values of a whole signal (audio/onset_strength.h), value n at
// n * secondsPerValue seconds.
BeatGrid beatGridFromOnsets(const std::vector<float>& onsets, double secondsPerValue);

// Onset values and grid of `count` mono samples at `sampleRate`, pushed through in blocks.
BeatGrid analyseBeats(const float* mono, long long count, int sampleRate);

// What the chain of beats pays for two beats `interval` values apart where the beat period is
// `period` values: the squared log of their ratio, scaled (the ahead pass and the live tracker alike).
float beatIntervalCost(float interval, float period);

// The grid as the tempo clock follows it at `time`: the beat at or before it and the tempo to the
// next one (before the first beat the first interval, after the last the last one).
BeatReference gridReference(const BeatGrid& grid, double time);
