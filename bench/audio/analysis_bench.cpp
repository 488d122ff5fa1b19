// One frame's audio analysis at 44.1 kHz stereo: the spectrum of 1024 frames, the 80 ms level and
// the band, beat and summary updates. The frame loop has 16.7 ms for everything.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "audio/analysis.h"
#include "audio/music_track.h"

namespace {

constexpr int kRate = 44100;
constexpr int kSeconds = 10;

// Ten seconds of a stereo kick, bass and chord, enough for the position to move every iteration.
void attachMusic(MusicTrack& track) {
    std::vector<float> stereo((size_t)kRate * kSeconds * 2);
    for (size_t i = 0; i < stereo.size() / 2; ++i) {
        const float t = (float)i / (float)kRate;
        const float beat = fmodf(t, 0.48f);
        const float kick = sinf(6.2831855f * 55.0f * beat) * expf(-beat * 12.0f);
        const float chord = 0.2f * (sinf(6.2831855f * 220.0f * t) + sinf(6.2831855f * 261.63f * t) + sinf(6.2831855f * 329.63f * t));
        stereo[2 * i] = 0.5f * kick + chord;
        stereo[2 * i + 1] = 0.5f * kick - 0.5f * chord;
    }
    Wave wave{(unsigned int)(stereo.size() / 2), kRate, 32, 2, stereo.data()};
    attachSamples(track, LoadWaveSamples(wave), (int)wave.frameCount, 2, kRate);
}

void BM_AnalyseOneFrame(benchmark::State& state) {
    SetTraceLogLevel(LOG_NONE);
    MusicTrack track;
    attachMusic(track);
    float t = 1.0f;
    for (auto _ : state) {
        AudioFeatures features = analyseAt(track, t, (float)kSeconds);
        benchmark::DoNotOptimize(features);
        t += 1.0f / 60.0f;
        if (t > (float)kSeconds) t = 1.0f;
    }
}
BENCHMARK(BM_AnalyseOneFrame)->Unit(benchmark::kMicrosecond);

void BM_Fft1024(benchmark::State& state) {
    std::vector<std::complex<float>> source(1024);
    for (size_t i = 0; i < source.size(); ++i) source[i] = std::complex<float>(sinf((float)i * 0.1f), 0.0f);
    std::vector<std::complex<float>> buffer(1024);
    for (auto _ : state) {
        buffer = source;
        fft(buffer.data(), 1024);
        benchmark::DoNotOptimize(buffer.data());
    }
}
BENCHMARK(BM_Fft1024)->Unit(benchmark::kMicrosecond);

}  // namespace
