#include "audio/onset_strength.h"

#include <algorithm>  // Required for: std::clamp(), std::max()
#include <cmath>      // Required for: frexp()
#include <complex>

#include "audio/analysis.h"   // Required for: fft()
#include "math/show_math.h"   // Required for: showCos(), showHypot()

namespace {

constexpr float kTwoPi = 6.2831855f;
constexpr int kMinRate = 8000;
constexpr int kMaxRate = 192000;
constexpr float kWindowSeconds = 0.04f;   // The transform is the next power of two above this
constexpr float kLowestHz = 30.0f;
constexpr float kTopHz = 11025.0f;        // Above, little of a beat and much noise
constexpr float kBandRatio = 1.4142135f;  // Half an octave
constexpr float kCompression = 100.0f;    // log(1 + 100 |X|): loud and quiet music alike
constexpr float kMeanRate = 0.02f;        // Running mean over about half a second of values
constexpr double kLn2 = 0.6931471805599453;
constexpr double kSqrtHalf = 0.7071067811865476;

}  // namespace

float naturalLog(float x) {
    if (!(x > 0.0f) || !(x < 3.0e38f)) return 0.0f;
    int exponent = 0;
    double m = frexp((double)x, &exponent);  // m in [0.5, 1)
    if (m < kSqrtHalf) {
        m *= 2.0;
        exponent -= 1;
    }
    // ln m = 2 atanh(s), s = (m - 1) / (m + 1), |s| <= 0.172: six terms reach double precision
    const double s = (m - 1.0) / (m + 1.0);
    const double t = s * s;
    const double series = 1.0 + t * (1.0 / 3.0 + t * (1.0 / 5.0 + t * (1.0 / 7.0 + t * (1.0 / 9.0 + t * (1.0 / 11.0)))));
    return (float)(2.0 * s * series + (double)exponent * kLn2);
}

OnsetDetector makeOnsetDetector(int sampleRate) {
    OnsetDetector d;
    if (sampleRate < kMinRate || sampleRate > kMaxRate) return d;  // No window: it gives no values
    d.sampleRate = sampleRate;
    d.hop = (d.sampleRate + kOnsetValuesPerSecond / 2) / kOnsetValuesPerSecond;
    d.window = 256;
    while ((float)d.window < kWindowSeconds * (float)d.sampleRate) d.window *= 2;
    const float binHz = (float)d.sampleRate / (float)d.window;
    const int topBin = std::clamp((int)(kTopHz / binHz), 2, d.window / 2);
    d.bandEdges.push_back(std::max(1, (int)(kLowestHz / binHz)));
    for (float hz = kLowestHz * kBandRatio; d.bandEdges.back() < topBin; hz *= kBandRatio)
        d.bandEdges.push_back(std::clamp((int)(hz / binHz + 0.5f), d.bandEdges.back() + 1, topBin));
    d.bands = (int)d.bandEdges.size() - 1;
    d.hann.resize((size_t)d.window);
    for (int i = 0; i < d.window; ++i) d.hann[i] = 0.5f - 0.5f * showCos(kTwoPi * (float)i / (float)d.window);
    d.recent.assign((size_t)d.window, 0.0f);
    d.previous.assign((size_t)d.bands, 0.0f);
    d.untilNext = d.window / 2;  // Value 0 is centred on the first sample
    return d;
}

namespace {

// One value from the ring as it stands: the flux of the compressed spectrum, less its running mean.
float nextValue(OnsetDetector& d, std::vector<std::complex<float>>& buffer) {
    buffer.resize((size_t)d.window);
    for (int i = 0; i < d.window; ++i) {
        const float s = d.recent[(size_t)((d.writeAt + i) % d.window)];
        buffer[i] = std::complex<float>(s * d.hann[i], 0.0f);
    }
    fft(buffer.data(), d.window);

    const float scale = 4.0f / (float)d.window;  // A full-scale sine reads about 1
    float flux = 0.0f;
    for (int b = 0; b < d.bands; ++b) {
        float sum = 0.0f;
        for (int k = d.bandEdges[b]; k < d.bandEdges[b + 1]; ++k) sum += showHypot(buffer[k].real(), buffer[k].imag());
        const float magnitude = sum * scale / (float)(d.bandEdges[b + 1] - d.bandEdges[b]);
        const float compressed = naturalLog(1.0f + kCompression * magnitude);
        flux += std::max(compressed - d.previous[b], 0.0f);
        d.previous[b] = compressed;
    }
    flux /= (float)d.bands;
    d.runningMean += (flux - d.runningMean) * kMeanRate;
    return std::max(flux - d.runningMean, 0.0f);
}

}  // namespace

void pushSamples(OnsetDetector& d, const float* mono, int count, std::vector<float>& out) {
    if (d.window == 0 || mono == nullptr) return;
    std::vector<std::complex<float>> buffer;
    for (int i = 0; i < count; ++i) {
        const float s = mono[i];
        d.recent[(size_t)d.writeAt] = (s == s) ? std::clamp(s, -1.0f, 1.0f) : 0.0f;  // NaN reads as silence
        d.writeAt = (d.writeAt + 1) % d.window;
        if (--d.untilNext > 0) continue;
        d.untilNext = d.hop;
        out.push_back(nextValue(d, buffer));
        ++d.valueCount;
    }
}

double onsetSeconds(const OnsetDetector& d, double valueIndex) {
    return d.sampleRate > 0 ? valueIndex * (double)d.hop / (double)d.sampleRate : 0.0;
}

float onsetValueRate(const OnsetDetector& d) { return d.hop > 0 ? (float)d.sampleRate / (float)d.hop : 0.0f; }
