// Shared by the scene benchmarks: one frame of a scene at a given grid size with realistic audio.
#pragma once

#include <benchmark/benchmark.h>

#include <cmath>

#include "app/tempo_clock.h"
#include "audio/audio_features.h"
#include "framebuffer/ascii_framebuffer.h"
#include "scenes/scene.h"

namespace bench_harness {

inline AudioFeatures musicAt(float t) {
    AudioFeatures a;
    a.valid = true;
    a.beat = powf(0.9f, fmodf(t, 0.48f) / 0.48f * 28.8f);
    for (int b = 0; b < 8; ++b) a.bands[b] = 0.5f + 0.45f * sinf(t * (0.7f + 0.3f * (float)b) + (float)b);
    a.bass = (a.bands[0] + a.bands[1]) * 0.5f;
    a.mid = (a.bands[2] + a.bands[3] + a.bands[4]) / 3.0f;
    a.treble = (a.bands[5] + a.bands[6] + a.bands[7]) / 3.0f;
    a.level = 0.4f;
    a.musicTime = t;
    a.musicLength = 120.0f;
    return a;
}

// state.range(0) x state.range(1) cells; scene time advances one 60 fps frame per iteration,
// starting at `startTime` so stateful scenes are past their first frame.
inline void runScene(benchmark::State& state, SceneRenderFn render, float startTime = 2.0f) {
    AsciiFramebuffer fb((int)state.range(0), (int)state.range(1), 10, 18, FramebufferBacking::CellsOnly);
    const TempoClock clock = makeTempoClock(kShowTempo);
    float t = 0.0f;
    // Warm up from scene time 0 so simulations have their state
    for (; t < startTime; t += 1.0f / 60.0f) {
        const BeatInfo beat = update(clock, t);
        const AudioFeatures audio = musicAt(t);
        fb.clear(kSceneBackground);
        render(fb, t, kSceneBackground, &beat, &audio);
    }
    for (auto _ : state) {
        const BeatInfo beat = update(clock, t);
        const AudioFeatures audio = musicAt(t);
        fb.clear(kSceneBackground);
        render(fb, t, kSceneBackground, &beat, &audio);
        benchmark::DoNotOptimize(fb.cells.data());
        t += 1.0f / 60.0f;
    }
}

// The worst frame of a fixed-step simulation: every iteration comes `gap` seconds after the last,
// so the scene runs the most steps one frame allows.
inline void runCatchUp(benchmark::State& state, SceneRenderFn render, float gap) {
    AsciiFramebuffer fb((int)state.range(0), (int)state.range(1), 10, 18, FramebufferBacking::CellsOnly);
    const BeatInfo beat = {};
    float t = 0.0f;
    for (auto _ : state) {
        const AudioFeatures audio = musicAt(t);
        fb.clear(kSceneBackground);
        render(fb, t, kSceneBackground, &beat, &audio);
        benchmark::DoNotOptimize(fb.cells.data());
        t += gap;
    }
}

}  // namespace bench_harness

// The three grid sizes every scene is measured at: the base grid, the grid in silence, the largest.
#define DAVUR_EVI_SCENE_BENCHMARK(fn)                                                       \
    static void BM_##fn(benchmark::State& state) { bench_harness::runScene(state, fn); }   \
    BENCHMARK(BM_##fn)->Args({120, 42})->Args({173, 60})->Args({430, 150})->Unit(benchmark::kMillisecond)
