// The CPU renderer: a whole frame of the capture at 1920x1080, every cell changed and redrawn into
// the image, then the window's view made of it (fitted, or mid-flight in a transition); and the two
// halves alone. No window: it runs anywhere.
#include <benchmark/benchmark.h>

#include "framebuffer/font_redraw.h"
#include "framebuffer/presentation.h"

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;
constexpr Color kClear = {5, 7, 12, 255};

// Fills the grid with a frame of varied glyphs and colours; `frame` changes every cell.
void compose(AsciiFramebuffer& fb, int frame) {
    for (int y = 0; y < fb.rows; ++y) {
        for (int x = 0; x < fb.cols; ++x) {
            const int v = x * 3 + y * 5 + frame;
            const uint32_t cp = (v % 3 == 0) ? 0x2592u : (uint32_t)(33 + v % 90);
            fb.setCell(x, y, cp, Color{(unsigned char)v, (unsigned char)(v * 3), 200, 255},
                       Color{(unsigned char)(v / 2), 10, 30, 255});
        }
    }
}

const GlyphFont& cpuFont() {
    static const GlyphFont font = [] {
        SetTraceLogLevel(LOG_NONE);
        return loadGlyphFontOnCpu(18);
    }();
    return font;
}

Rectangle viewOf(const AsciiFramebuffer& fb, bool flight) {
    if (flight) return focusedRect(fb.cols, fb.rows, 10, 18, kWidth, kHeight, fb.cols / 2, fb.rows / 2, 0.4f, 0.5f);
    return presentRect(fb.cols * 10, fb.rows * 18, kWidth, kHeight, 1.0f);
}

void frameBench(benchmark::State& state, bool doRedraw, bool doPresent, bool flight) {
    AsciiFramebuffer fb((int)state.range(0), (int)state.range(1), 10, 18, cpuFont());
    fb.colorBoost = true;
    PixelFrame frame;
    int n = 0;
    compose(fb, n);
    redraw(fb, true);
    const Rectangle view = viewOf(fb, flight);
    for (auto _ : state) {
        if (doRedraw) {
            compose(fb, ++n);
            redraw(fb, true);
        }
        if (doPresent) presentPixels(fb.image, frame, kWidth, kHeight, &view, kClear, 0);
        benchmark::DoNotOptimize(frame.pixels.data());
    }
    state.counters["frames/s"] = benchmark::Counter((double)state.iterations(), benchmark::Counter::kIsRate);
}

void BM_CpuFrame(benchmark::State& state) { frameBench(state, true, true, false); }
void BM_CpuFrameInFlight(benchmark::State& state) { frameBench(state, true, true, true); }
void BM_CpuRedrawAll(benchmark::State& state) { frameBench(state, true, false, false); }
void BM_CpuPresent(benchmark::State& state) { frameBench(state, false, true, false); }

}  // namespace

BENCHMARK(BM_CpuFrame)->Args({120, 42})->Args({430, 150})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CpuFrameInFlight)->Args({120, 42})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CpuRedrawAll)->Args({120, 42})->Args({430, 150})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CpuPresent)->Args({120, 42})->Args({430, 150})->Unit(benchmark::kMillisecond);
