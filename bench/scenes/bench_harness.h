// Shared by the scene benchmarks: one frame of a scene at a given grid size with realistic audio.
#pragma once

#include <benchmark/benchmark.h>

#include "app/tempo_clock.h"
#include "audio/scripted_music.h"
#include "framebuffer/ascii_framebuffer.h"
#include "scenes/scene.h"

namespace bench_harness {

// state.range(0) x state.range(1) cells; scene time advances one 60 fps frame per iteration,
// starting at `startTime` so stateful scenes are past their first frame.
inline void runScene(benchmark::State& state, SceneRenderFn render, float startTime = 2.0f) {
    AsciiFramebuffer fb((int)state.range(0), (int)state.range(1), 10, 18, FramebufferBacking::CellsOnly);
    const TempoClock clock = makeTempoClock(kShowTempo);
    float t = 0.0f;
    // Warm up from scene time 0 so simulations have their state
    for (; t < startTime; t += 1.0f / 60.0f) {
        const BeatInfo beat = update(clock, t);
        const AudioFeatures audio = scriptedMusic(t);
        fb.clear(kSceneBackground);
        render(fb, t, kSceneBackground, &beat, &audio);
    }
    for (auto _ : state) {
        const BeatInfo beat = update(clock, t);
        const AudioFeatures audio = scriptedMusic(t);
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
        const AudioFeatures audio = scriptedMusic(t);
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
