// The user's own music files: decode speed per minute of music in every format, the time from
// opening a file to its first sound for 1- and 60-minute files, and the resident memory a file
// source adds over its whole length (which must not grow with the length). The files are written
// once per run into a scratch folder, with libsndfile, from the source tests' music.
#include <benchmark/benchmark.h>

#include <malloc.h>  // Required for: mallinfo2()

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "audio/sound_file.h"
#include "audio/sound_source.h"
#include "bench/sources/music_files.h"

using namespace bench_music;

namespace {

constexpr int kBlock = 4096;

long residentKilobytes() {
    FILE* status = fopen("/proc/self/status", "r");
    if (status == nullptr) return 0;
    char line[256];
    long kb = 0;
    while (fgets(line, sizeof line, status) != nullptr) {
        if (sscanf(line, "VmRSS: %ld kB", &kb) == 1) break;
    }
    fclose(status);
    return kb;
}

// Bytes the program has allocated and not freed (the heap and its own mappings).
double heapMegabytes() {
    const struct mallinfo2 info = mallinfo2();
    return (double)(info.uordblks + info.hblkhd) / (1024.0 * 1024.0);
}

// One minute of music decoded, in each format (libsndfile's open and reading, as the worker does).
void BM_DecodeMinute(benchmark::State& state) {
    const Format& format = kFormats[state.range(0)];
    const std::string& path = musicFile(format, 1);
    std::vector<float> block(kBlock * 2);
    long long frames = 0;
    for (auto _ : state) {
        SoundFile file;
        std::string reason;
        if (!openSoundFile(file, path.c_str(), reason)) {
            state.SkipWithError(reason.c_str());
            break;
        }
        frames = 0;
        for (int got; (got = readSoundFile(file, block.data(), kBlock)) > 0;) frames += got;
        closeSoundFile(file);
    }
    state.SetLabel(std::string(format.name) + ", per minute of music");
    state.counters["x_realtime"] = benchmark::Counter(60.0 * (double)state.iterations(), benchmark::Counter::kIsRate);
    state.counters["frames"] = (double)frames;
}
BENCHMARK(BM_DecodeMinute)->DenseRange(0, 4)->Unit(benchmark::kMillisecond);

// From openFileSource to the first 50 ms decoded, what the player hands the device first.
void BM_FirstSound(benchmark::State& state) {
    const Format& format = kFormats[state.range(0)];
    const int minutes = (int)state.range(1);
    const std::string& path = musicFile(format, minutes);
    for (auto _ : state) {
        SoundSource source;
        if (!openFileSource(source, path.c_str())) {
            state.SkipWithError(source.error.c_str());
            break;
        }
        waitFor(source, format.rate / 20);
        state.PauseTiming();
        closeSource(source);
        state.ResumeTiming();
    }
    state.SetLabel(std::string(format.name) + ", " + std::to_string(minutes) + " min file");
}
// The 60-minute Ogg, Opus and MP3 files take minutes to encode
BENCHMARK(BM_FirstSound)->ArgsProduct({{0, 1, 2, 3, 4}, {1, 60}})->Unit(benchmark::kMillisecond)->UseRealTime();

// A whole file played through its source, analysed ten times a second of music: the memory it
// added at its highest, to compare between a 1- and a 60-minute file. The heap's figure counts
// exactly what is allocated; the resident figure can read low where freed memory is reused.
void BM_PlayWholeFile(benchmark::State& state) {
    const Format& format = kFormats[state.range(0)];
    const int minutes = (int)state.range(1);
    const std::string& path = musicFile(format, minutes);
    long peak = 0;
    double heapPeak = 0.0;
    for (auto _ : state) {
        const long before = residentKilobytes();
        const double heapBefore = heapMegabytes();
        SoundSource source;
        if (!openFileSource(source, path.c_str())) {
            state.SkipWithError(source.error.c_str());
            break;
        }
        const long long frames = 60LL * minutes * format.rate;
        for (long long at = 0; at < frames; at += format.rate / 10) {
            waitFor(source, at + format.rate);
            benchmark::DoNotOptimize(analyseSource(source, (double)at / format.rate));
            if (at % (10LL * format.rate) == 0) {
                peak = std::max(peak, residentKilobytes() - before);
                heapPeak = std::max(heapPeak, heapMegabytes() - heapBefore);
            }
        }
        closeSource(source);
    }
    state.SetLabel(std::string(format.name) + ", " + std::to_string(minutes) + " min file");
    state.counters["rss_added_MB"] = (double)peak / 1024.0;
    state.counters["heap_added_MB"] = heapPeak;
}
BENCHMARK(BM_PlayWholeFile)->Args({0, 1})->Args({0, 60})->Args({1, 1})->Args({1, 60})
    ->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
