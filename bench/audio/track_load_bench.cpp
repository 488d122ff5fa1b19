// Start-up cost of the show's track: the checked decode with libvorbisfile that the show now
// makes, beside raylib's own decode of the same file (LoadWave and LoadWaveSamples) that it used
// to make, before its stream opened the file a second time. Run from the repository root.
#include <benchmark/benchmark.h>

#include "audio/track_decoder.h"
#include "raylib.h"

namespace {

constexpr const char* kShowTrack = "assets/audio/output.ogg";

void BM_CheckedDecode(benchmark::State& state) {
    for (auto _ : state) {
        DecodedTrack decoded;
        if (!decodeTrackFile(kShowTrack, 0, decoded)) {
            state.SkipWithError("the show's track did not decode: run from the repository root");
            break;
        }
        benchmark::DoNotOptimize(decoded.samples);
        releaseDecodedTrack(decoded);
    }
}
BENCHMARK(BM_CheckedDecode)->Unit(benchmark::kMillisecond);

void BM_RaylibDecode(benchmark::State& state) {
    SetTraceLogLevel(LOG_NONE);
    for (auto _ : state) {
        Wave wave = LoadWave(kShowTrack);
        float* samples = IsWaveValid(wave) ? LoadWaveSamples(wave) : nullptr;
        if (samples == nullptr) {
            state.SkipWithError("the show's track did not decode: run from the repository root");
            UnloadWave(wave);
            break;
        }
        benchmark::DoNotOptimize(samples);
        UnloadWaveSamples(samples);
        UnloadWave(wave);
    }
}
BENCHMARK(BM_RaylibDecode)->Unit(benchmark::kMillisecond);

}  // namespace
