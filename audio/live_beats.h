// Beats of live sound, causally: onset strength as the samples come; every quarter of a second the
// tempo of the last eight seconds (held by the tempo heard so far); and, value by value, the same
// chain of beats the ahead pass finds, run forwards only: each value's score is its onset plus the
// best score about one period back, and the last beat is the best score around a period ago.
// It locks once a pulse stands out and lets go after a while without one.
#pragma once

#include <vector>

#include "audio/beat_reference.h"
#include "audio/onset_strength.h"

struct LiveBeatTracker {
    OnsetDetector detector;
    std::vector<float> history;  // The last onset values, a ring of kLiveHistory
    std::vector<float> fresh;    // Values of the current push
    std::vector<float> scratch;  // The history in order, for the estimates
    std::vector<float> score;    // Chain scores of the history's values, the same ring
    std::vector<float> penalty;  // The chain's cost of each interval at the current tempo
    float scale = 0.0f;          // Mean onset of the history: the chain reads onsets relative to it
    long long valueCount = 0;
    int sinceEstimate = 0;
    bool locked = false;
    float bpm = 0.0f;
    float confidence = 0.0f;
    float pendingBpm = 0.0f;     // A different tempo heard once, adopted when heard again
    double beatValue = 0.0;      // Onset value index of the last tracked beat
    int quietEstimates = 0;      // Estimates in a row without a pulse
};

LiveBeatTracker makeLiveBeatTracker(int sampleRate);

// Takes `count` mono samples (any block size) and updates the tracker.
void pushLiveSamples(LiveBeatTracker& tracker, const float* mono, int count);

// The tempo and a recent beat, in seconds since the first sample pushed.
BeatReference liveReference(const LiveBeatTracker& tracker);
