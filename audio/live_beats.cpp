#include "audio/live_beats.h"

#include <algorithm>  // Required for: std::min(), std::max()

#include "audio/beat_grid.h"       // Required for: beatIntervalCost()
#include "audio/tempo_estimate.h"  // Required for: estimateTempo()

namespace {

constexpr int kLiveHistory = 800;        // Values the tempo is read over (8 s)
constexpr int kMinValues = 300;          // Values before a first estimate (3 s)
constexpr int kEstimateEvery = 25;       // Values between two estimates (0.25 s)
constexpr float kLockConfidence = 0.2f;  // A pulse this clear locks the tracker
constexpr int kQuietToUnlock = 16;       // Estimates without a pulse before it lets go (4 s)
constexpr float kSameTempo = 0.03f;      // Within 3 %: the same tempo, followed smoothly
constexpr float kTempoFollow = 0.5f;     // Share of a small tempo change taken per estimate

// Copies the history, oldest first, into the scratch buffer; its length.
int orderedHistory(LiveBeatTracker& t) {
    const int length = (int)std::min<long long>(t.valueCount, kLiveHistory);
    t.scratch.resize((size_t)length);
    for (int i = 0; i < length; ++i) {
        const long long value = t.valueCount - length + i;
        t.scratch[i] = t.history[(size_t)(value % kLiveHistory)];
    }
    return length;
}

// The chain's cost of an interval of i values at the current tempo, i = 0 .. 2 periods.
void preparePenalty(LiveBeatTracker& t) {
    const float period = 60.0f * onsetValueRate(t.detector) / t.bpm;
    t.penalty.resize((size_t)(2.0f * period) + 2);
    for (size_t i = 0; i < t.penalty.size(); ++i) t.penalty[i] = i == 0 ? 1.0e30f : beatIntervalCost((float)i, period);
}

// One value's chain score: its onset plus the best score half a period to two periods back.
void chainValue(LiveBeatTracker& t, float onset) {
    const long long n = t.valueCount;
    float best = 0.0f;
    if (t.locked && t.scale > 0.0f) {
        const float period = 60.0f * onsetValueRate(t.detector) / t.bpm;
        const long long from = std::max(n - (long long)t.penalty.size() + 1, std::max(0LL, n - kLiveHistory + 1));
        const long long to = n - std::max(1LL, (long long)(0.5f * period + 0.5f));
        for (long long m = from; m <= to; ++m) best = std::max(best, t.score[(size_t)(m % kLiveHistory)] - t.penalty[(size_t)(n - m)]);
    }
    t.score[(size_t)(n % kLiveHistory)] = (t.scale > 0.0f ? onset / t.scale : 0.0f) + best;
}

// The last beat: the best chain score between one and a half periods and half a period ago.
void trackPhase(LiveBeatTracker& t) {
    const float period = 60.0f * onsetValueRate(t.detector) / t.bpm;
    const long long newest = t.valueCount - 1;
    const long long from = std::max(0LL, std::max(newest - (long long)(1.5f * period), t.valueCount - kLiveHistory));
    const long long to = newest - (long long)(0.5f * period);
    long long best = to;
    for (long long m = from; m <= to; ++m)
        if (t.score[(size_t)(m % kLiveHistory)] > t.score[(size_t)(best % kLiveHistory)]) best = m;
    t.beatValue = (double)best;
}

void followTempo(LiveBeatTracker& t, TempoEstimate e) {
    if (t.locked) e.bpm = inOctaveOf(e.bpm, t.bpm);
    if (!t.locked) {
        t.bpm = e.bpm;
        t.locked = true;
        t.pendingBpm = 0.0f;
        return;
    }
    const float change = (e.bpm - t.bpm) / t.bpm;
    if (change < kSameTempo && change > -kSameTempo) {
        t.bpm += (e.bpm - t.bpm) * kTempoFollow;
        t.pendingBpm = 0.0f;
    } else if (t.pendingBpm > 0.0f && (e.bpm - t.pendingBpm) / t.pendingBpm < kSameTempo &&
               (e.bpm - t.pendingBpm) / t.pendingBpm > -kSameTempo) {
        t.bpm = e.bpm;  // Heard twice running: the music has changed tempo
        t.pendingBpm = 0.0f;
    } else {
        t.pendingBpm = e.bpm;
    }
}

void estimate(LiveBeatTracker& t) {
    const int length = orderedHistory(t);
    const TempoEstimate e = estimateTempo(t.scratch.data(), length, onsetValueRate(t.detector), t.locked ? t.bpm : 0.0f);
    t.confidence = e.confidence;
    float sum = 0.0f;
    for (int i = 0; i < length; ++i) sum += t.scratch[i];
    t.scale = length > 0 ? sum / (float)length : 0.0f;
    if (e.bpm <= 0.0f || e.confidence < kLockConfidence) {
        if (++t.quietEstimates >= kQuietToUnlock) t.locked = false;
        if (!t.locked) return;
    } else {
        t.quietEstimates = 0;
        followTempo(t, e);
        preparePenalty(t);
    }
    trackPhase(t);
}

}  // namespace

LiveBeatTracker makeLiveBeatTracker(int sampleRate) {
    LiveBeatTracker t;
    t.detector = makeOnsetDetector(sampleRate);
    t.history.assign(kLiveHistory, 0.0f);
    t.score.assign(kLiveHistory, 0.0f);
    return t;
}

void pushLiveSamples(LiveBeatTracker& t, const float* mono, int count) {
    t.fresh.clear();
    pushSamples(t.detector, mono, count, t.fresh);
    for (float v : t.fresh) {
        t.history[(size_t)(t.valueCount % kLiveHistory)] = v;
        chainValue(t, v);
        ++t.valueCount;
        if (t.valueCount >= kMinValues && ++t.sinceEstimate >= kEstimateEvery) {
            t.sinceEstimate = 0;
            estimate(t);
        }
    }
}

BeatReference liveReference(const LiveBeatTracker& t) {
    BeatReference ref;
    if (!t.locked || t.bpm <= 0.0f) return ref;
    ref.locked = true;
    ref.bpm = t.bpm;
    ref.beatTime = onsetSeconds(t.detector, t.beatValue);
    return ref;
}
