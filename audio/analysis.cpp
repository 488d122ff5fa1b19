#include "audio/analysis.h"

#include <algorithm>  // Required for: std::min(), std::max(), std::clamp(), std::swap()
#include <climits>    // Required for: INT_MIN, INT_MAX
#include <cmath>      // Required for: sqrtf(), floorf(), ceilf(), std::isnan()
#include <cstddef>    // Required for: size_t

#include "math/show_math.h"  // Required for: showCos(), showSin(), showHypot(), showPow()

namespace {

constexpr float kTwoPi = 6.2831855f;
constexpr float kBandEdgesHz[kBandCount + 1] = {30.0f, 60.0f, 120.0f, 240.0f, 480.0f,
                                                960.0f, 1920.0f, 3840.0f, 12000.0f};
constexpr float kBinWidthPerHz = 0.0009765625f;  // 1 / kSpectrumWindow
constexpr float kLevelSeconds = 0.08f;
constexpr int kMinLevelFrames = 8;
// 80 ms at 192 kHz, the highest rate a loaded track has: whatever rate a caller attaches, a frame's
// analysis reads a bounded number of samples.
constexpr int kMaxLevelFrames = 15360;
constexpr float kPeakDecay = 0.992f;
constexpr float kPeakFloor = 0.000001f;  // Keeps the ratio finite while a band is silent
constexpr float kRatioMax = 1.6f;
constexpr float kLevelCurve = 0.85f;
constexpr float kAttack = 0.3f;
constexpr float kRelease = 0.1f;
constexpr float kBeatGain = 4.5f;
constexpr float kBeatDecay = 0.9f;
// Play positions are clamped to this many frames either way (exact in float), so that a wild
// musicTime cannot overflow the frame arithmetic around it.
constexpr float kFrameLimit = 1.0e9f;

// Hann window over 1024 points with 1023 in the denominator, computed once.
struct HannWindow {
    float w[kSpectrumWindow];
    HannWindow() {
        for (int i = 0; i < kSpectrumWindow; ++i) w[i] = 0.5f - 0.5f * showCos(kTwoPi * (float)i / 1023.0f);
    }
};

const HannWindow& hannWindow() {
    static const HannWindow window;
    return window;
}

int reverseBits(int value, int bits) {
    int reversed = 0;
    for (int b = 0; b < bits; ++b) {
        reversed = (reversed << 1) | (value & 1);
        value >>= 1;
    }
    return reversed;
}

// Frame index for a position given in 64 bits, saturated to the int range.
int saturatedFrame(long long frame) {
    return (int)std::clamp(frame, (long long)INT_MIN, (long long)INT_MAX);
}

// RMS of the mono mix over the 80 ms that end at pos (at most kMaxLevelFrames).
template <class Read>
float levelAt(Read read, int sampleRate, int pos) {
    const int count = levelFrames(sampleRate);
    float sum = 0.0f;
    for (int k = 0; k < count; ++k) {
        const float s = read(saturatedFrame((long long)pos - k));
        sum += s * s;
    }
    return sqrtf(sum / (float)count);
}

template <class Read>
void spectrumAround(std::vector<float>& spectrum, Read read, int centreFrame) {
    const HannWindow& window = hannWindow();
    std::complex<float> buffer[kSpectrumWindow];
    const long long first = (long long)centreFrame - kSpectrumWindow / 2;
    for (int i = 0; i < kSpectrumWindow; ++i) {
        const float s = read(saturatedFrame(first + i));
        buffer[i] = std::complex<float>(s * window.w[i], 0.0f);
    }
    fft(buffer, kSpectrumWindow);

    spectrum.resize(kSpectrumBins);
    for (int k = 0; k < kSpectrumBins; ++k) spectrum[k] = showHypot(buffer[k].real(), buffer[k].imag());
}

float bandMean(const std::vector<float>& spectrum, BandBins bins) {
    if ((int)spectrum.size() < bins.hi) return 0.0f;
    float sum = 0.0f;
    for (int k = bins.lo; k < bins.hi; ++k) sum += spectrum[k];
    return sum / (float)(bins.hi - bins.lo);
}

// Moves one band's running peak and smoothed level on by a frame; returns the new level.
float followBand(AnalysisState& state, int band, float mean) {
    state.bandPeak[band] = std::max(state.bandPeak[band] * kPeakDecay, mean);
    const float ratio = std::clamp(mean / (state.bandPeak[band] + kPeakFloor), 0.0f, kRatioMax);
    const float target = std::clamp(showPow(ratio, kLevelCurve), 0.0f, 1.0f);
    const float rate = target > state.bandLevel[band] ? kAttack : kRelease;
    state.bandLevel[band] += (target - state.bandLevel[band]) * rate;
    return state.bandLevel[band];
}

// Jumps with a quick rise of bass, otherwise decays by 10 % per frame.
float followBeat(AnalysisState& state, float bass) {
    const float rise = std::clamp(std::max(bass - state.previousBass, 0.0f) * kBeatGain, 0.0f, 1.0f);
    state.previousBass = bass;
    const float beat = std::max(rise, state.beatEnvelope * kBeatDecay);
    state.beatEnvelope = beat;
    return beat;
}

// The analysis of one frame, the same for the show's track and every other source: `read` gives
// the mono sample of a frame, `state` is carried from frame to frame.
template <class Read>
AudioFeatures measure(AnalysisState& state, Read read, int sampleRate, int pos, float musicTime, float musicLength) {
    AudioFeatures features;
    features.musicTime = musicTime;
    features.musicLength = musicLength;
    spectrumAround(state.spectrum, read, pos);
    features.level = levelAt(read, sampleRate, pos);

    for (int b = 0; b < kBandCount; ++b) {
        const float mean = bandMean(state.spectrum, bandBins(b, sampleRate));
        features.bands[b] = followBand(state, b, mean);
    }
    features.bass = (features.bands[0] + features.bands[1]) * 0.5f;
    features.mid = (features.bands[2] + features.bands[3] + features.bands[4]) / 3.0f;
    features.treble = (features.bands[5] + features.bands[6] + features.bands[7]) / 3.0f;
    features.beat = followBeat(state, features.bass);
    features.valid = true;
    return features;
}

}  // namespace

float sampleAt(const DecodedSamples& track, int frame) {
    if (track.samples == nullptr || track.frameCount < 1 || track.channels < 1 || frame < 0) return 0.0f;
    const int wrapped = frame % track.frameCount;
    const float* values = track.samples + (size_t)wrapped * (size_t)track.channels;
    float sum = 0.0f;
    for (int c = 0; c < track.channels; ++c) sum += values[c];
    return sum / (float)track.channels;
}

bool fft(std::complex<float>* buffer, int count) {
    if (count < 0 || (count & (count - 1)) != 0) return false;
    if (count < 2) return true;

    int bits = 0;
    while ((1 << bits) < count) ++bits;
    for (int i = 0; i < count; ++i) {
        const int r = reverseBits(i, bits);
        if (r > i) std::swap(buffer[i], buffer[r]);
    }

    // Complex products written out, so that the arithmetic is plain single precision.
    for (int len = 2; len <= count; len <<= 1) {
        const int half = len / 2;
        const float angle = -kTwoPi / (float)len;
        const float stepRe = showCos(angle);
        const float stepIm = showSin(angle);
        for (int i = 0; i < count; i += len) {
            float wRe = 1.0f;
            float wIm = 0.0f;
            for (int j = 0; j < half; ++j) {
                const std::complex<float> u = buffer[i + j];
                const std::complex<float> x = buffer[i + j + half];
                const float vRe = x.real() * wRe - x.imag() * wIm;
                const float vIm = x.real() * wIm + x.imag() * wRe;
                buffer[i + j] = std::complex<float>(u.real() + vRe, u.imag() + vIm);
                buffer[i + j + half] = std::complex<float>(u.real() - vRe, u.imag() - vIm);
                const float nextRe = wRe * stepRe - wIm * stepIm;
                wIm = wRe * stepIm + wIm * stepRe;
                wRe = nextRe;
            }
        }
    }
    return true;
}

void computeSpectrum(AnalysisState& state, const DecodedSamples& track, int centreFrame) {
    spectrumAround(state.spectrum, [&track](int frame) { return sampleAt(track, frame); }, centreFrame);
}

BandBins bandBins(int band, int sampleRate) {
    const float binHz = (float)std::max(sampleRate, 1) * kBinWidthPerHz;
    int lo = std::max(1, (int)floorf(kBandEdgesHz[band] / binHz));
    int hi = std::max(lo + 1, (int)ceilf(kBandEdgesHz[band + 1] / binHz));
    lo = std::clamp(lo, 0, kSpectrumBins - 1);
    hi = hi > kSpectrumBins ? kSpectrumBins : std::max(hi, lo + 1);
    return BandBins{lo, hi};
}

AudioFeatures analyseAt(AnalysisState& state, const DecodedSamples& track, float musicTime, float musicLength) {
    if (track.samples == nullptr || track.channels < 1 || track.sampleRate < 1) return AudioFeatures{};
    return measure(state, [&track](int frame) { return sampleAt(track, frame); }, track.sampleRate,
                   playFrame(track.sampleRate, musicTime), musicTime, musicLength);
}

int levelFrames(int sampleRate) {
    return std::clamp((int)((float)sampleRate * kLevelSeconds), kMinLevelFrames, kMaxLevelFrames);
}

int windowFramesBefore(int sampleRate) { return std::max(levelFrames(sampleRate) - 1, kSpectrumWindow / 2); }
int windowFrames(int sampleRate) { return windowFramesBefore(sampleRate) + 1 + kWindowAfter; }

void resetAnalysis(AnalysisState& state) {
    state.spectrum.assign(kSpectrumBins, 0.0f);
    for (int b = 0; b < kBandCount; ++b) {
        state.bandPeak[b] = kInitialBandPeak;
        state.bandLevel[b] = 0.0f;
    }
    state.previousBass = 0.0f;
    state.beatEnvelope = 0.0f;
}

int playFrame(int sampleRate, float musicTime) {
    const float frame = (float)sampleRate * musicTime;
    if (std::isnan(frame)) return 0;
    return (int)std::clamp(frame, -kFrameLimit, kFrameLimit);
}

AudioFeatures analyseWindow(AnalysisState& state, const MonoWindow& window, int sampleRate, int pos, float musicTime,
                            float musicLength) {
    if (window.samples == nullptr || sampleRate < 1) return AudioFeatures{};
    const auto read = [&window](int frame) {
        const long long at = (long long)frame - window.first;
        return at >= 0 && at < window.count ? window.samples[at] : 0.0f;
    };
    return measure(state, read, sampleRate, pos, musicTime, musicLength);
}
