// The beat tracker's cost: the live tracker per second of audio (fed in blocks of 1024 samples, as
// a sound server hands them over) and the ahead pass per minute of music, on a generated drum
// track at 44.1 kHz.
#include <benchmark/benchmark.h>

#include "audio/beat_grid.h"
#include "audio/live_beats.h"
#include "tests/audio/drum_tracks.h"

namespace {

constexpr int kRate = 44100;

const drum_tracks::Track& minuteOfDrums() {
    static const drum_tracks::Track track =
        drum_tracks::steadyTrack("bench", drum_tracks::Style::Breakbeat, 128.0f, 60.0, kRate, 5);
    return track;
}

void BM_LiveTrackingPerSecondOfAudio(benchmark::State& state) {
    const std::vector<float>& s = minuteOfDrums().samples;
    LiveBeatTracker tracker = makeLiveBeatTracker(kRate);
    size_t at = 0;
    for (auto _ : state) {
        for (int pushed = 0; pushed < kRate; pushed += 1024) {
            if (at + 1024 > s.size()) at = 0;
            pushLiveSamples(tracker, s.data() + at, 1024);
            at += 1024;
        }
        benchmark::DoNotOptimize(liveReference(tracker));
    }
}
BENCHMARK(BM_LiveTrackingPerSecondOfAudio)->Unit(benchmark::kMillisecond);

void BM_AheadPassPerMinuteOfMusic(benchmark::State& state) {
    const std::vector<float>& s = minuteOfDrums().samples;
    for (auto _ : state) {
        BeatGrid grid = analyseBeats(s.data(), (long long)s.size(), kRate);
        benchmark::DoNotOptimize(grid.beats.data());
    }
}
BENCHMARK(BM_AheadPassPerMinuteOfMusic)->Unit(benchmark::kMillisecond);

}  // namespace
