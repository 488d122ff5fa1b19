#include "audio/tempo_estimate.h"

#include <algorithm>  // Required for: std::clamp(), std::min(), std::max()
#include <cmath>      // Required for: ceilf(), floorf()
#include <vector>

#include "audio/onset_strength.h"  // Required for: naturalLog()
#include "math/show_math.h"        // Required for: showExp()

namespace {

constexpr int kCombTeeth = 4;             // A tempo's score reads the lags of 1..4 beats
constexpr float kCentreBpm = 120.0f;      // Most music sits around here...
constexpr float kCentreOctaves = 1.0f;    // ...within about an octave either way
constexpr float kDoubleShare = 0.65f;     // Half-beats this strong against the beats: twice the tempo...
constexpr float kSteadyShare = 0.85f;     // ...or nearly every half-beat with an onset of its own
constexpr float kPresentShare = 0.03f;    // An onset: at least this share of the beats' mean
constexpr float kMaxDoubledBpm = 185.0f;  // Faster tempos are rare: the half of one is kept
constexpr float kSameOctave = 0.04f;      // Double or half a tempo within 4 % of another: the same pulse
constexpr float kHoldOctaves = 0.05f;     // A tempo heard so far holds within about 3.5 %
constexpr float kHoldFloor = 0.35f;       // Weight of tempos far from it: a clear new tempo still wins
constexpr float kCoarseStep = 0.25f;      // bpm between the tempos scored first
constexpr float kFineStep = 0.02f;        // ...and around the best of them
constexpr float kInvLn2 = 1.4426950408889634f;

// The autocorrelation between integer lags.
float lagAt(const float* lags, int lagCount, float lag) {
    const int i = (int)floorf(lag);
    if (i < 0 || i + 1 >= lagCount) return 0.0f;
    const float f = lag - (float)i;
    return lags[i] + (lags[i + 1] - lags[i]) * f;
}

float gaussianOctaves(float octaves, float width) {
    const float z = octaves / width;
    return showExp(-0.5f * z * z);
}

float tempoScore(const float* lags, int lagCount, float valueRate, float bpm, float preferBpm) {
    const float period = 60.0f * valueRate / bpm;
    float comb = 0.0f;
    for (int k = 1; k <= kCombTeeth; ++k) comb += lagAt(lags, lagCount, period * (float)k);
    comb /= (float)kCombTeeth;
    float weight = gaussianOctaves(log2Of(bpm / kCentreBpm), kCentreOctaves);
    if (preferBpm > 0.0f) weight *= kHoldFloor + (1.0f - kHoldFloor) * gaussianOctaves(log2Of(bpm / preferBpm), kHoldOctaves);
    return comb * weight;
}

// The best tempo from `from` to `to` in steps of `step`, and its score.
float bestTempo(const float* lags, int lagCount, float valueRate, float preferBpm, float from, float to, float step,
                float& bestScore) {
    float best = from;
    bestScore = -1.0f;
    const int steps = (int)((to - from) / step + 0.5f);
    for (int i = 0; i <= steps; ++i) {
        const float bpm = from + step * (float)i;
        const float score = tempoScore(lags, lagCount, valueRate, bpm, preferBpm);
        if (score > bestScore) {
            bestScore = score;
            best = bpm;
        }
    }
    return best;
}

// The beats of a comb `period` apart at the phase that gathers the most onset: their mean onset,
// the mean onset halfway between them, and the share of those half-beats that carry an onset.
struct BeatLevels {
    float onBeat = 0.0f;
    float halfBeat = 0.0f;
    float halfPresent = 0.0f;
};

BeatLevels beatLevels(const float* values, int count, float period) {
    BeatLevels levels;
    const auto near = [&](float at) {  // The strongest value within one of `at` (drummers drift)
        const int i = (int)(at + 0.5f);
        float v = 0.0f;
        for (int j = std::max(i - 1, 0); j <= std::min(i + 1, count - 1); ++j) v = std::max(v, values[j]);
        return v;
    };
    const int beats = (int)((float)count / period) - 1;
    if (beats < 2) return levels;
    int bestPhase = 0;
    for (int phase = 0; phase < (int)period; ++phase) {
        float on = 0.0f;
        for (int k = 0; k < beats; ++k) on += near((float)phase + (float)k * period);
        if (on > levels.onBeat * (float)beats) {
            levels.onBeat = on / (float)beats;
            bestPhase = phase;
        }
    }
    int present = 0;
    for (int k = 0; k < beats; ++k) {
        const float half = near((float)bestPhase + ((float)k + 0.5f) * period);
        levels.halfBeat += half;
        if (half > 0.0f && half >= kPresentShare * levels.onBeat) ++present;
    }
    levels.halfBeat /= (float)beats;
    levels.halfPresent = (float)present / (float)beats;
    return levels;
}

}  // namespace

float chooseOctave(const float* values, int count, float valueRate, float bpm) {
    if (!(bpm > 0.0f) || !(valueRate > 0.0f)) return bpm;
    if (bpm * 2.0f > kMaxDoubledBpm) return bpm;
    const BeatLevels levels = beatLevels(values, count, 60.0f * valueRate / bpm);
    if (!(levels.onBeat > 0.0f)) return bpm;
    const bool strong = levels.halfBeat >= kDoubleShare * levels.onBeat;
    const bool steady = levels.halfPresent >= kSteadyShare;
    return strong || steady ? bpm * 2.0f : bpm;
}

float inOctaveOf(float bpm, float reference) {
    const auto near = [&](float v) { return v > reference * (1.0f - kSameOctave) && v < reference * (1.0f + kSameOctave); };
    if (near(bpm * 2.0f)) return bpm * 2.0f;
    if (near(bpm * 0.5f)) return bpm * 0.5f;
    return bpm;
}

float log2Of(float x) { return x > 0.0f ? naturalLog(x) * kInvLn2 : 0.0f; }

void onsetAutocorrelation(const float* values, int count, int maxLag, float* lags) {
    float mean = 0.0f;
    for (int i = 0; i < count; ++i) mean += values[i];
    mean = count > 0 ? mean / (float)count : 0.0f;
    std::vector<float> centred((size_t)std::max(count, 0));
    for (int i = 0; i < count; ++i) centred[i] = values[i] - mean;
    for (int lag = 0; lag <= maxLag; ++lag) {
        float sum = 0.0f;
        for (int i = 0; i + lag < count; ++i) sum += centred[i] * centred[i + lag];
        lags[lag] = count > lag ? sum / (float)(count - lag) : 0.0f;
    }
}

int tempoMaxLag(float valueRate) { return (int)ceilf((float)kCombTeeth * 60.0f * valueRate / kMinTrackedBpm) + 2; }

TempoEstimate tempoFromAutocorrelation(const float* lags, int lagCount, float valueRate, float preferBpm) {
    TempoEstimate estimate;
    if (lagCount < 2 || !(lags[0] > 0.0f) || !(valueRate > 0.0f)) return estimate;
    // A tempo beyond the lags there are cannot be judged: start where one beat still fits twice
    const float slowest = std::max(kMinTrackedBpm, 60.0f * valueRate * 2.0f / (float)(lagCount - 1));
    if (slowest >= kMaxTrackedBpm) return estimate;
    float score = 0.0f;
    const float coarse = bestTempo(lags, lagCount, valueRate, preferBpm, slowest, kMaxTrackedBpm, kCoarseStep, score);
    const float fine = bestTempo(lags, lagCount, valueRate, preferBpm, std::max(slowest, coarse - kCoarseStep),
                                 std::min(kMaxTrackedBpm, coarse + kCoarseStep), kFineStep, score);
    if (!(score > 0.0f)) return estimate;
    estimate.bpm = fine;
    const float period = 60.0f * valueRate / fine;
    float comb = 0.0f;
    for (int k = 1; k <= kCombTeeth; ++k) comb += lagAt(lags, lagCount, period * (float)k);
    estimate.confidence = std::clamp(comb / ((float)kCombTeeth * lags[0]), 0.0f, 1.0f);
    return estimate;
}

TempoEstimate estimateTempo(const float* values, int count, float valueRate, float preferBpm) {
    if (count < 2 || !(valueRate > 0.0f)) return TempoEstimate{};
    const int maxLag = std::min(tempoMaxLag(valueRate), count - 1);
    std::vector<float> lags((size_t)maxLag + 1);
    onsetAutocorrelation(values, count, maxLag, lags.data());
    TempoEstimate e = tempoFromAutocorrelation(lags.data(), maxLag + 1, valueRate, preferBpm);
    if (preferBpm <= 0.0f) e.bpm = chooseOctave(values, count, valueRate, e.bpm);
    return e;
}
