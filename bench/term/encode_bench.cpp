// Encoding one terminal frame: every cell changed, a tenth changed, and the frames of real scenes,
// where the bytes are compared with writing every cell with both its colours.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "bench/scenes/bench_harness.h"
#include "scenes/scenes.h"
#include "frontends/terminal/term_encoder.h"
#include "frontends/terminal/term_view.h"

namespace {

uint32_t mix(uint32_t x) {
    x ^= x >> 16;
    x *= 0x7FEB352Du;
    x ^= x >> 15;
    x *= 0x846CA68Bu;
    return x ^ (x >> 16);
}

const uint32_t kGlyphs[] = {' ', '.', ':', 0x2591, 0x2592, 0x2593, 0x2588, '@', '#'};

// Cells of varied glyphs and colours; `salt` changes every one of them.
std::vector<TermCell> busyFrame(int cols, int rows, uint32_t salt) {
    std::vector<TermCell> cells((size_t)cols * (size_t)rows);
    for (size_t i = 0; i < cells.size(); ++i) {
        const uint32_t h = mix((uint32_t)i * 2654435761u + salt);
        cells[i] = {kGlyphs[1 + h % 8], mix(h) & 0xFFFFFFu, mix(h + 1) & 0xFFFFFFu};
    }
    return cells;
}

// The third argument, when given, is the colour mode: 0 24-bit, 1 256, 2 16, 3 none.
ColourMode modeArgument(const benchmark::State& state) {
    const ColourMode modes[] = {ColourMode::TrueColour, ColourMode::Palette256, ColourMode::Palette16, ColourMode::None};
    return state.range(2) >= 0 && state.range(2) < 4 ? modes[state.range(2)] : ColourMode::TrueColour;
}

void encodeAlternating(benchmark::State& state, const std::vector<TermCell>& a, const std::vector<TermCell>& b,
                       int cols, int rows) {
    TermEncoder enc;
    enc.colours = modeArgument(state);
    resetEncoder(enc, cols, rows, true);
    OutputBuffer out;
    encodeFrame(enc, a.data(), out);
    bool toB = true;
    size_t bytes = 0;
    for (auto _ : state) {
        out.size = 0;
        bytes += encodeFrame(enc, (toB ? b : a).data(), out).bytes;
        benchmark::DoNotOptimize(out.bytes.data());
        toB = !toB;
    }
    state.counters["bytes_per_frame"] = (double)bytes / (double)state.iterations();
}

void BM_EncodeAllChanged(benchmark::State& state) {
    const int cols = (int)state.range(0), rows = (int)state.range(1);
    encodeAlternating(state, busyFrame(cols, rows, 1), busyFrame(cols, rows, 2), cols, rows);
}

void BM_EncodeTenthChanged(benchmark::State& state) {
    const int cols = (int)state.range(0), rows = (int)state.range(1);
    const std::vector<TermCell> a = busyFrame(cols, rows, 1);
    std::vector<TermCell> b = a;
    const std::vector<TermCell> other = busyFrame(cols, rows, 2);
    for (size_t i = 0; i < b.size(); ++i) {
        if (mix((uint32_t)i) % 10 == 0) b[i] = other[i];  // Scattered, as changes are
    }
    encodeAlternating(state, a, b, cols, rows);
}

// A scene as the terminal gets it (boosted colours, 60 frames a second, silent-level zoom), each
// frame encoded against the last; bytes compared with writing every cell with its colours.
void runSceneFrames(benchmark::State& state, SceneRenderFn render) {
    const int cols = (int)state.range(0), rows = (int)state.range(1);
    AsciiFramebuffer fb(cols, rows, 10, 18, FramebufferBacking::CellsOnly);
    fb.colorBoost = true;
    fb.blockGlyphs = true;
    const TempoClock clock = makeTempoClock(kShowTempo);
    TermEncoder enc;
    resetEncoder(enc, cols, rows, true);
    TermCanvas canvas;
    OutputBuffer out;
    float t = 0.0f;
    auto frame = [&]() {
        const BeatInfo beat = update(clock, t);
        const AudioFeatures audio = scriptedMusic(t);
        fb.clear(kSceneBackground);
        render(fb, t, kSceneBackground, &beat, &audio);
        composeScreen(fb, Presentation{}, cols, rows, canvas);
        t += 1.0f / 60.0f;
    };
    for (; t < 2.0f;) {  // Past the first frames, with the terminal up to date
        frame();
        out.size = 0;
        encodeFrame(enc, canvas.cells.data(), out);
    }
    size_t bytes = 0, plain = 0;
    for (auto _ : state) {
        state.PauseTiming();
        frame();
        plain += plainFrameBytes(canvas.cells.data(), cols, rows, true);
        state.ResumeTiming();
        out.size = 0;
        bytes += encodeFrame(enc, canvas.cells.data(), out).bytes;
        benchmark::DoNotOptimize(out.bytes.data());
    }
    state.counters["bytes_per_frame"] = (double)bytes / (double)state.iterations();
    state.counters["plain_bytes_per_frame"] = (double)plain / (double)state.iterations();
    state.counters["saved_percent"] = plain > 0 ? 100.0 * (1.0 - (double)bytes / (double)plain) : 0.0;
}

}  // namespace

BENCHMARK(BM_EncodeAllChanged)
    ->Args({120, 42, 0})->Args({300, 100, 0})->Args({120, 42, 1})->Args({120, 42, 2})->Args({120, 42, 3})
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_EncodeTenthChanged)->Args({120, 42, 0})->Args({300, 100, 0})->Args({120, 42, 1})->Unit(benchmark::kMicrosecond);

#define DAVUR_EVI_TERM_SCENE(fn)                                                                  \
    static void BM_Encode_##fn(benchmark::State& state) { runSceneFrames(state, fn); }            \
    BENCHMARK(BM_Encode_##fn)->Args({120, 42})->Unit(benchmark::kMicrosecond)->Iterations(600)

DAVUR_EVI_TERM_SCENE(intro_boot);
DAVUR_EVI_TERM_SCENE(wave_scroll);
DAVUR_EVI_TERM_SCENE(plasma_storm);
DAVUR_EVI_TERM_SCENE(cellular);
DAVUR_EVI_TERM_SCENE(dual_fluid);
DAVUR_EVI_TERM_SCENE(goo_bounce);
DAVUR_EVI_TERM_SCENE(julia_blast);
DAVUR_EVI_TERM_SCENE(mandelbrot);
DAVUR_EVI_TERM_SCENE(cube);
DAVUR_EVI_TERM_SCENE(starfield_warp);
DAVUR_EVI_TERM_SCENE(end_credits);
