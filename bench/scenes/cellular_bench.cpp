#include "bench/scenes/bench_harness.h"
#include "scenes/scenes.h"

DAVUR_EVI_SCENE_BENCHMARK(cellular);

// The worst frame: a gap of a quarter second or more runs the most steps one frame allows (4).
static void BM_cellular_catchUpFrame(benchmark::State& state) { bench_harness::runCatchUp(state, cellular, 0.25f); }
BENCHMARK(BM_cellular_catchUpFrame)->Args({173, 60})->Args({430, 150})->Unit(benchmark::kMillisecond);
