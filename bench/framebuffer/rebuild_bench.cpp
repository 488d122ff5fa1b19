// One zoom rebuild on a real (hidden) window: the framebuffer of the new level is made and the
// old one destroyed, as the frame loop does when the zoom level changes (here 2 <-> 3, the levels
// a silent show swings between). glFinish waits for the GPU so the time includes the upload.
//
// BM_ZoomRebuildLoadingTheFont is a framebuffer that loads a font of its own every time (the
// constructor without a font, as the show did before it kept its font); BM_ZoomRebuild is the
// show's rebuild now, with the font loaded once and shared, so only the render texture is made.
#include <benchmark/benchmark.h>

#include <GL/gl.h>

#include <memory>

#include "bench/framebuffer/hidden_window.h"
#include "framebuffer/font_redraw.h"

namespace {

std::unique_ptr<AsciiFramebuffer> build(const GridSize& size, const GlyphFont* font) {
    if (font == nullptr) return std::make_unique<AsciiFramebuffer>(size.cols, size.rows, 10, 18);
    return std::make_unique<AsciiFramebuffer>(size.cols, size.rows, 10, 18, *font);
}

void rebuildBench(benchmark::State& state, const GlyphFont* font) {
    const GridSize sizes[2] = {gridSizeForZoom(2), gridSizeForZoom(3)};
    auto fb = build(sizes[0], font);
    int level = 0;
    for (auto _ : state) {
        level ^= 1;
        fb = build(sizes[level], font);  // The new one is made before the old one goes, as in the frame loop
        glFinish();
    }
}

void BM_ZoomRebuildLoadingTheFont(benchmark::State& state) {
    if (!benchWindowOpen()) {
        state.SkipWithError("no display");
        return;
    }
    rebuildBench(state, nullptr);
}

void BM_ZoomRebuild(benchmark::State& state) {
    if (!benchWindowOpen()) {
        state.SkipWithError("no display");
        return;
    }
    GlyphFont font = loadGlyphFont(18);
    rebuildBench(state, &font);
    releaseGlyphFont(font);
}

// What a rebuild no longer pays: choosing, checking and loading the font, and releasing it.
void BM_FontLoad(benchmark::State& state) {
    if (!benchWindowOpen()) {
        state.SkipWithError("no display");
        return;
    }
    for (auto _ : state) {
        GlyphFont font = loadGlyphFont(18);
        glFinish();
        releaseGlyphFont(font);
    }
}

}  // namespace

BENCHMARK(BM_FontLoad)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ZoomRebuildLoadingTheFont)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ZoomRebuild)->Unit(benchmark::kMillisecond);
