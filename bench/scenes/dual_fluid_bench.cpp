#include "bench/scenes/bench_harness.h"
#include "scenes/scenes.h"

DAVUR_EVI_SCENE_BENCHMARK(dual_fluid);

// The worst frame: a gap of a fifth of a second or more runs the most steps one frame allows (6).
static void BM_dual_fluid_catchUpFrame(benchmark::State& state) {
    AsciiFramebuffer fb((int)state.range(0), (int)state.range(1), 10, 18, FramebufferBacking::CellsOnly);
    const BeatInfo beat = {};
    float t = 0.0f;
    for (auto _ : state) {
        const AudioFeatures audio = bench_harness::musicAt(t);
        fb.clear(kSceneBackground);
        dual_fluid(fb, t, kSceneBackground, &beat, &audio);
        benchmark::DoNotOptimize(fb.cells.data());
        t += 0.2f;
    }
}
BENCHMARK(BM_dual_fluid_catchUpFrame)->Args({173, 60})->Args({430, 150})->Unit(benchmark::kMillisecond);
