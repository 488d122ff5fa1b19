// The visualizer's ahead pass over a 4-minute file, read through a second reading of it as its
// worker decodes: the CPU time of one frame's share (kAheadSecondsPerFrame of music), and, in a run
// at 60 frames a second, the seconds from the file's start until its beat grid is ready.
#include <benchmark/benchmark.h>

#include <time.h>  // Required for: clock_gettime()

#include <chrono>
#include <string>
#include <thread>

#include "app/visualizer.h"
#include "bench/sources/music_files.h"

using namespace bench_music;

namespace {

constexpr int kMinutes = 4;

double threadCpuSeconds() {
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return (double)t.tv_sec + (double)t.tv_nsec * 1e-9;
}

// A visualizer with the file playing and its ahead pass begun, as a file's start leaves it.
bool beginFile(Visualizer& v, const std::string& path, benchmark::State& state) {
    v.files = {path};
    v.fileIndex = 0;
    closeSource(v.sources[0]);
    if (!openFileSource(v.sources[0], path.c_str())) {
        state.SkipWithError(v.sources[0].error.c_str());
        return false;
    }
    startAheadPass(v);
    return true;
}

// One frame's share of the pass: CPU time per frame over whole passes (the wait for the worker to
// decode a frame's share is not counted); the last frame, which finds the grid, apart.
void BM_AheadPassFrame(benchmark::State& state) {
    const Format& format = kFormats[state.range(0)];
    const std::string& path = musicFile(format, kMinutes);
    Visualizer v;
    double stepSeconds = 0.0, gridSeconds = 0.0;
    long long frames = 0, grids = 0;
    for (auto _ : state) {
        if (v.gridReady || v.ahead.kind == SourceKind::None) {
            if (!beginFile(v, path, state)) break;
        }
        waitFor(v.ahead, v.onsetFrames + (long long)(kAheadSecondsPerFrame * format.rate));
        const double start = threadCpuSeconds();
        const bool ready = aheadPassStep(v);
        const double spent = threadCpuSeconds() - start;
        (ready ? gridSeconds : stepSeconds) += spent;
        (ready ? grids : frames) += 1;
        state.SetIterationTime(spent);
    }
    state.SetLabel(std::string(format.name) + ", " + std::to_string(kAheadSecondsPerFrame).substr(0, 3) + " s of music a frame");
    state.counters["cpu_ms_per_frame"] = frames > 0 ? 1e3 * stepSeconds / (double)frames : 0.0;
    state.counters["cpu_ms_grid_frame"] = grids > 0 ? 1e3 * gridSeconds / (double)grids : 0.0;
}
BENCHMARK(BM_AheadPassFrame)->DenseRange(0, 1)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(400);

// A measured run: the pass stepped once every 1/60 s of the wall clock from the file's start, as
// the frame loop would; the seconds until the grid is ready.
void BM_GridReadyFor4MinuteFile(benchmark::State& state) {
    const Format& format = kFormats[state.range(0)];
    const std::string& path = musicFile(format, kMinutes);
    double seconds = 0.0;
    for (auto _ : state) {
        Visualizer v;
        const auto start = std::chrono::steady_clock::now();
        if (!beginFile(v, path, state)) break;
        auto tick = start;
        while (!aheadPassStep(v)) std::this_thread::sleep_until(tick += std::chrono::microseconds(16667));
        seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    state.SetLabel(std::string(format.name) + ", " + std::to_string(kMinutes) + " min file");
    state.counters["seconds_to_grid"] = seconds;
}
BENCHMARK(BM_GridReadyFor4MinuteFile)->DenseRange(0, 1)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace
