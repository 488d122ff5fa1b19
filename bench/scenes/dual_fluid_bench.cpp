#include "bench/scenes/bench_harness.h"
#include "scenes/scenes.h"

DAVUR_EVI_SCENE_BENCHMARK(dual_fluid);

// The worst frame: a gap of a fifth of a second or more runs the most steps one frame allows (6).
static void BM_dual_fluid_catchUpFrame(benchmark::State& state) { bench_harness::runCatchUp(state, dual_fluid, 0.2f); }
BENCHMARK(BM_dual_fluid_catchUpFrame)->Args({173, 60})->Args({430, 150})->Unit(benchmark::kMillisecond);
