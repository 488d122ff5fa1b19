#include "bench/scenes/bench_harness.h"
#include "scenes/scenes.h"

DAVUR_EVI_SCENE_BENCHMARK(goo_bounce);
