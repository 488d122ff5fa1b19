// Redraw into the render texture on a real (hidden) window: every cell, a tenth of the cells, and
// none. glFinish waits for the GPU so the time includes the drawing, not only the batching.
#include <benchmark/benchmark.h>

#include <GL/gl.h>

#include "bench/framebuffer/hidden_window.h"
#include "framebuffer/font_redraw.h"

namespace {

// Fills the grid with a frame of varied glyphs and colours; `frame` changes what is written.
void compose(AsciiFramebuffer& fb, int frame, int everyNth) {
    for (int y = 0; y < fb.rows; ++y) {
        for (int x = 0; x < fb.cols; ++x) {
            if (((x + y * 7) % everyNth) != 0) continue;
            const int v = x * 3 + y * 5 + frame;
            const uint32_t cp = (v % 3 == 0) ? 0x2592u : (uint32_t)(33 + v % 90);
            fb.setCell(x, y, cp, Color{(unsigned char)v, (unsigned char)(v * 3), 200, 255},
                       Color{(unsigned char)(v / 2), 10, 30, 255});
        }
    }
}

void redrawBench(benchmark::State& state, int everyNth, bool force) {
    if (!benchWindowOpen()) {
        state.SkipWithError("no display");
        return;
    }
    AsciiFramebuffer fb((int)state.range(0), (int)state.range(1), 10, 18);
    int frame = 0;
    compose(fb, frame, 1);
    redraw(fb, true);
    for (auto _ : state) {
        ++frame;
        if (everyNth > 0) compose(fb, frame, everyNth);
        redraw(fb, force);
        glFinish();
    }
}

void BM_RedrawAll(benchmark::State& state) { redrawBench(state, 1, true); }
void BM_RedrawTenthChanged(benchmark::State& state) { redrawBench(state, 10, false); }
void BM_RedrawUnchanged(benchmark::State& state) { redrawBench(state, 0, false); }

}  // namespace

BENCHMARK(BM_RedrawAll)->Args({120, 42})->Args({430, 150})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RedrawTenthChanged)->Args({120, 42})->Args({430, 150})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RedrawUnchanged)->Args({120, 42})->Args({430, 150})->Unit(benchmark::kMillisecond);
