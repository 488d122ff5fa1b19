// The capture's conversion of a 1920x1080 frame into the encoder's layout. The conversion has no
// branches on the pixels, so any picture times it: here a pattern of many colours.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "frontends/capture/yuv_frame.h"

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;

void BM_RgbaToYuv420(benchmark::State& state) {
    std::vector<uint32_t> frame((size_t)kWidth * kHeight);
    for (size_t i = 0; i < frame.size(); ++i) frame[i] = (uint32_t)(i * 2654435761u) | 0xff000000u;
    std::vector<unsigned char> planes;
    for (auto _ : state) {
        rgbaToYuv420(reinterpret_cast<const unsigned char*>(frame.data()), kWidth, kHeight, planes);
        benchmark::DoNotOptimize(planes.data());
    }
    state.counters["frames/s"] = benchmark::Counter((double)state.iterations(), benchmark::Counter::kIsRate);
}

}  // namespace

BENCHMARK(BM_RgbaToYuv420)->Unit(benchmark::kMillisecond);
