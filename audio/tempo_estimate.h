// The tempo of a stretch of onset strength (audio/onset_strength.h): the autocorrelation of the
// values, read as a comb at one to four beat periods for every tempo from 60 to 200 bpm, weighted
// towards the tempos most music sits in (and, when asked, towards the tempo heard so far).
// Deterministic: single precision and the show's own math.
#pragma once

constexpr float kMinTrackedBpm = 60.0f;
constexpr float kMaxTrackedBpm = 200.0f;

struct TempoEstimate {
    float bpm = 0.0f;         // 0 when the values hold no pulse at all
    float confidence = 0.0f;  // 0..1: how much of the signal's variation repeats at that tempo
};

// Autocorrelation of `count` values at lags 0..maxLag, each divided by the number of products,
// after the values' mean is taken off. `lags` has room for maxLag + 1 values.
void onsetAutocorrelation(const float* values, int count, int maxLag, float* lags);

// The longest lag estimateTempo reads at this many values a second.
int tempoMaxLag(float valueRate);

// The tempo of an autocorrelation (from onsetAutocorrelation up to tempoMaxLag). `preferBpm` > 0
// favours tempos within a few percent of it, so a tempo heard so far holds against its neighbours.
TempoEstimate tempoFromAutocorrelation(const float* lags, int lagCount, float valueRate, float preferBpm);

// Of a tempo and its double (up to 185 bpm), the one whose beats carry the onsets: twice the tempo
// when the half-beats are nearly as strong as the beats, or nearly all carry an onset of their own.
// (The comb itself leans to the slower of the two: every other beat of a tempo is a beat of its half.)
float chooseOctave(const float* values, int count, float valueRate, float bpm);

// Twice or half `bpm` when that is within 4 % of `reference`, else `bpm`: a stretch that hears the
// same pulse at another level keeps the level already chosen.
float inOctaveOf(float bpm, float reference);

// Both steps over a stretch of values, the octave chosen when no tempo is preferred.
TempoEstimate estimateTempo(const float* values, int count, float valueRate, float preferBpm);

// log2 of x > 0 with the show's own math.
float log2Of(float x);
