#include "audio/beat_grid.h"

#include <algorithm>  // Required for: std::min(), std::max(), std::sort(), std::upper_bound()
#include <cmath>      // Required for: sqrt()

#include "audio/onset_strength.h"
#include "audio/tempo_estimate.h"

namespace {

constexpr double kWindowSeconds = 8.0;     // Each stretch's tempo is read over this much...
constexpr double kWindowStepSeconds = 2.0; // ...every this many seconds
constexpr float kTightness = 400.0f;       // Cost of a beat interval off the local period: squared log ratio
constexpr float kMinConfidence = 0.05f;    // A stretch below this takes the whole signal's tempo
constexpr float kWeakBeat = 0.15f;         // Beats at the ends weaker than this share of the median are dropped
constexpr int kPushBlock = 65536;

float median(std::vector<float> v) {
    if (v.empty()) return 0.0f;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// The beat period in values at every value: each stretch's tempo, held by the whole signal's so
// that no stretch jumps an octave, smoothed by a median of three, joined linearly between stretches.
std::vector<float> localPeriods(const std::vector<float>& onsets, float valueRate) {
    const int count = (int)onsets.size();
    const int window = std::min(count, (int)(kWindowSeconds * valueRate));
    const int step = std::max(1, (int)(kWindowStepSeconds * valueRate));
    const int maxLag = std::min(tempoMaxLag(valueRate), window - 1);
    std::vector<int> starts;
    for (int s = 0; s + window <= count; s += step) starts.push_back(s);
    if (starts.empty() || starts.back() + window < count) starts.push_back(count - window);

    std::vector<float> lags((size_t)(maxLag + 1) * starts.size());
    std::vector<float> whole((size_t)maxLag + 1, 0.0f);
    for (size_t w = 0; w < starts.size(); ++w) {
        float* l = &lags[w * (size_t)(maxLag + 1)];
        onsetAutocorrelation(onsets.data() + starts[w], window, maxLag, l);
        for (int i = 0; i <= maxLag; ++i) whole[i] += l[i];
    }
    TempoEstimate overall = tempoFromAutocorrelation(whole.data(), maxLag + 1, valueRate, 0.0f);
    if (overall.bpm <= 0.0f) return {};
    // Twice the tempo when most stretches hear it (over a whole file, a small error in the tempo
    // would carry the comb off the beats)
    int doubled = 0;
    for (size_t w = 0; w < starts.size(); ++w) {
        const TempoEstimate own = tempoFromAutocorrelation(&lags[w * (size_t)(maxLag + 1)], maxLag + 1, valueRate, 0.0f);
        const float chosen = chooseOctave(onsets.data() + starts[w], window, valueRate, own.bpm);
        doubled += inOctaveOf(chosen, overall.bpm) != chosen && chosen > overall.bpm;
    }
    if (doubled * 2 > (int)starts.size()) overall.bpm *= 2.0f;

    std::vector<float> bpms(starts.size(), overall.bpm);
    for (size_t w = 0; w < starts.size(); ++w) {
        const TempoEstimate e = tempoFromAutocorrelation(&lags[w * (size_t)(maxLag + 1)], maxLag + 1, valueRate, overall.bpm);
        if (e.bpm > 0.0f && e.confidence >= kMinConfidence) bpms[w] = inOctaveOf(e.bpm, overall.bpm);
    }
    std::vector<float> smooth = bpms;
    for (size_t w = 1; w + 1 < bpms.size(); ++w) smooth[w] = median({bpms[w - 1], bpms[w], bpms[w + 1]});

    std::vector<float> periods((size_t)count);
    for (int n = 0; n < count; ++n) {
        // Between the centres of the stretches around n
        const float position = (float)(n - window / 2) / (float)step;
        const int w = std::clamp((int)position, 0, (int)smooth.size() - 1);
        const int next = std::min(w + 1, (int)smooth.size() - 1);
        const float f = std::clamp(position - (float)w, 0.0f, 1.0f);
        const float bpm = smooth[w] + (smooth[next] - smooth[w]) * f;
        periods[n] = 60.0f * valueRate / bpm;
    }
    return periods;
}

// The best chain of beats: each value's score is its onset plus the best earlier score half a
// period to two periods back, less the squared log of how far that interval is from the period
// (when that is worth anything at all).
std::vector<int> bestBeats(const std::vector<float>& strength, const std::vector<float>& periods) {
    const int count = (int)strength.size();
    std::vector<float> score((size_t)count);
    std::vector<int> previous((size_t)count, -1);
    for (int n = 0; n < count; ++n) {
        const float period = periods[n];
        const int from = std::max(0, n - (int)(2.0f * period + 0.5f));
        const int to = n - std::max(1, (int)(0.5f * period + 0.5f));
        float best = 0.0f;  // A chain that would bring less than nothing: a new one starts here
        for (int m = from; m <= to; ++m) {
            const float candidate = score[m] - beatIntervalCost((float)(n - m), period);
            if (candidate > best) {
                best = candidate;
                previous[n] = m;
            }
        }
        score[n] = strength[n] + best;
    }
    // The chain ends at the best score within the last period
    int last = count - 1;
    const int tail = std::max(0, count - (int)(periods[count - 1] + 0.5f));
    for (int n = tail; n < count; ++n)
        if (score[n] > score[last]) last = n;
    std::vector<int> beats;
    for (int n = last; n >= 0; n = previous[n]) beats.push_back(n);
    std::reverse(beats.begin(), beats.end());
    return beats;
}

// Drops the runs of weak beats at either end: a quiet intro or fade has no beat to follow.
void trimWeakEnds(std::vector<int>& beats, const std::vector<float>& strength) {
    std::vector<float> onBeat;
    for (int b : beats) onBeat.push_back(strength[b]);
    const float threshold = kWeakBeat * median(onBeat);
    size_t first = 0;
    while (first < beats.size() && strength[beats[first]] < threshold) ++first;
    size_t end = beats.size();
    while (end > first && strength[beats[end - 1]] < threshold) --end;
    beats = std::vector<int>(beats.begin() + (long)first, beats.begin() + (long)end);
}

}  // namespace

float beatIntervalCost(float interval, float period) {
    const float ratio = naturalLog(interval / period);
    return kTightness * ratio * ratio;
}

BeatGrid beatGridFromOnsets(const std::vector<float>& onsets, double secondsPerValue) {
    BeatGrid grid;
    const int count = (int)onsets.size();
    if (count < 4 || !(secondsPerValue > 0.0)) return grid;
    const float valueRate = (float)(1.0 / secondsPerValue);

    double sum = 0.0, squares = 0.0;
    for (float v : onsets) {
        sum += v;
        squares += (double)v * v;
    }
    const double mean = sum / count;
    const double spread = sqrt(std::max(squares / count - mean * mean, 0.0));
    if (!(spread > 0.0)) return grid;
    std::vector<float> strength((size_t)count);
    for (int n = 0; n < count; ++n) strength[n] = (float)(onsets[n] / spread);

    const std::vector<float> periods = localPeriods(strength, valueRate);
    if (periods.empty()) return grid;
    std::vector<int> beats = bestBeats(strength, periods);
    trimWeakEnds(beats, strength);
    if (beats.size() < 2) return grid;

    double onBeat = 0.0;
    std::vector<float> intervals;
    for (size_t i = 0; i < beats.size(); ++i) {
        grid.beats.push_back(beats[i] * secondsPerValue);
        onBeat += strength[beats[i]];
        if (i > 0) intervals.push_back((float)(grid.beats[i] - grid.beats[i - 1]));
    }
    grid.bpm = 60.0f / median(intervals);
    onBeat /= (double)beats.size();
    grid.confidence = onBeat > 0.0 ? (float)std::clamp(1.0 - (mean / spread) / onBeat, 0.0, 1.0) : 0.0f;
    return grid;
}

BeatGrid analyseBeats(const float* mono, long long count, int sampleRate) {
    OnsetDetector detector = makeOnsetDetector(sampleRate);
    std::vector<float> onsets;
    for (long long at = 0; at < count; at += kPushBlock)
        pushSamples(detector, mono + at, (int)std::min<long long>(kPushBlock, count - at), onsets);
    return beatGridFromOnsets(onsets, onsetSeconds(detector, 1.0));
}

BeatReference gridReference(const BeatGrid& grid, double time) {
    BeatReference ref;
    const std::vector<double>& b = grid.beats;
    if (b.size() < 2) return ref;
    size_t i = (size_t)(std::upper_bound(b.begin(), b.end(), time) - b.begin());
    i = i == 0 ? 0 : std::min(i - 1, b.size() - 2);
    ref.locked = true;
    ref.bpm = (float)(60.0 / (b[i + 1] - b[i]));
    ref.beatTime = b[i];
    return ref;
}
