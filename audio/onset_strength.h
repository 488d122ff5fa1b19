// Onset strength of a mono signal on a fixed hop of its samples (about 100 values a second,
// whatever the display's frame rate): the spectral flux of log-compressed magnitudes, less its
// running mean, with each half-octave band counted alike (so that hi-hats, spread over many bins,
// do not outweigh the kick and snare that carry the beat). Samples may come in blocks of any size; the values do not depend on how the signal
// was cut. Plain single precision with the show's own math: the same values on every platform.
#pragma once

#include <vector>

constexpr int kOnsetValuesPerSecond = 100;

struct OnsetDetector {
    int sampleRate = 0;
    int hop = 0;                   // Samples between two values (sampleRate / 100, rounded)
    int window = 0;                // Samples transformed per value: a power of two, about 46 ms
    int bands = 0;                 // Half-octave bands from 30 Hz to about 11 kHz, each counted alike
    std::vector<int> bandEdges;    // Bins [bandEdges[b], bandEdges[b + 1]) make band b
    std::vector<float> hann;
    std::vector<float> recent;     // The last `window` samples, a ring (zeros before the start)
    std::vector<float> previous;   // Compressed magnitudes of the last transform
    int writeAt = 0;               // Where the ring takes its next sample
    int untilNext = 0;             // Samples still needed for the next value
    float runningMean = 0.0f;
    long long valueCount = 0;      // Values produced so far
};

// A detector for signals at this rate (8000..192000 Hz; at any other it gives no values).
OnsetDetector makeOnsetDetector(int sampleRate);

// Takes `count` mono samples and appends to `out` one value (>= 0) per hop they complete. Value n
// describes the signal around sample n * hop: the signal reads as silence before its start.
void pushSamples(OnsetDetector& detector, const float* mono, int count, std::vector<float>& out);

// Seconds between two values, and the time of value n.
double onsetSeconds(const OnsetDetector& detector, double valueIndex);
float onsetValueRate(const OnsetDetector& detector);

// Natural logarithm of x > 0 (0 for anything else) from + − × ÷ and an exact frexp: the same bits
// everywhere. For the tracker's compression and tempo ratios only, so it lives here, not in math/.
float naturalLog(float x);
