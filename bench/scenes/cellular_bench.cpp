#include "bench/scenes/bench_harness.h"
#include "scenes/scenes.h"

DAVUR_EVI_SCENE_BENCHMARK(cellular);

// The worst frame: a gap of a quarter second or more runs the most steps one frame allows (4).
static void BM_cellular_catchUpFrame(benchmark::State& state) {
    AsciiFramebuffer fb((int)state.range(0), (int)state.range(1), 10, 18, FramebufferBacking::CellsOnly);
    const BeatInfo beat = {};
    float t = 0.0f;
    for (auto _ : state) {
        const AudioFeatures audio = bench_harness::musicAt(t);
        fb.clear(kSceneBackground);
        cellular(fb, t, kSceneBackground, &beat, &audio);
        benchmark::DoNotOptimize(fb.cells.data());
        t += 0.25f;
    }
}
BENCHMARK(BM_cellular_catchUpFrame)->Args({173, 60})->Args({430, 150})->Unit(benchmark::kMillisecond);
