// One zoom rebuild on a real (hidden) window: the framebuffer of the new level is made and the
// old one destroyed, as the frame loop does when the zoom level changes (here 2 <-> 3, the levels
// a silent show swings between). glFinish waits for the GPU so the time includes the upload.
#include <benchmark/benchmark.h>

#include <GL/gl.h>

#include <memory>

#include "framebuffer/font_redraw.h"

namespace {

bool rebuildWindowOpen() {
    static const bool open = [] {
        SetTraceLogLevel(LOG_NONE);
        SetConfigFlags(FLAG_WINDOW_HIDDEN);
        InitWindow(320, 200, "davur_evi bench");
        return IsWindowReady();
    }();
    return open;
}

void BM_ZoomRebuild(benchmark::State& state) {
    if (!rebuildWindowOpen()) {
        state.SkipWithError("no display");
        return;
    }
    const GridSize sizes[2] = {gridSizeForZoom(2), gridSizeForZoom(3)};
    auto fb = std::make_unique<AsciiFramebuffer>(sizes[0].cols, sizes[0].rows, 10, 18);
    int level = 0;
    for (auto _ : state) {
        level ^= 1;
        // The new one is made before the old one goes, as in the frame loop
        fb = std::make_unique<AsciiFramebuffer>(sizes[level].cols, sizes[level].rows, 10, 18);
        glFinish();
    }
}

}  // namespace

BENCHMARK(BM_ZoomRebuild)->Unit(benchmark::kMillisecond);
