// The capture's conversion of a frame into the encoder's layout, on a frame of the CPU renderer at
// 1920x1080 (cells of varied glyphs and colours, as in cpu_render_bench.cpp).
#include <benchmark/benchmark.h>

#include "framebuffer/font_redraw.h"
#include "framebuffer/presentation.h"
#include "frontends/capture/yuv_frame.h"

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;
constexpr Color kClear = {5, 7, 12, 255};

PixelFrame renderedFrame() {
    SetTraceLogLevel(LOG_NONE);
    static const GlyphFont font = loadGlyphFontOnCpu(18);
    AsciiFramebuffer fb(120, 42, 10, 18, font);
    for (int y = 0; y < fb.rows; ++y) {
        for (int x = 0; x < fb.cols; ++x) {
            const int v = x * 3 + y * 5;
            const uint32_t cp = (v % 3 == 0) ? 0x2592u : (uint32_t)(33 + v % 90);
            fb.setCell(x, y, cp, Color{(unsigned char)v, (unsigned char)(v * 3), 200, 255},
                       Color{(unsigned char)(v / 2), 10, 30, 255});
        }
    }
    redraw(fb, true);
    PixelFrame frame;
    const Rectangle view = presentRect(fb.cols * 10, fb.rows * 18, kWidth, kHeight, 1.0f);
    presentPixels(fb.image, frame, kWidth, kHeight, &view, kClear, 0);
    return frame;
}

void BM_RgbaToYuv420(benchmark::State& state) {
    const PixelFrame frame = renderedFrame();
    std::vector<unsigned char> planes;
    for (auto _ : state) {
        rgbaToYuv420(reinterpret_cast<const unsigned char*>(frame.pixels.data()), kWidth, kHeight, planes);
        benchmark::DoNotOptimize(planes.data());
    }
    state.counters["frames/s"] = benchmark::Counter((double)state.iterations(), benchmark::Counter::kIsRate);
}

}  // namespace

BENCHMARK(BM_RgbaToYuv420)->Unit(benchmark::kMillisecond);
