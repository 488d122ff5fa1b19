// The show's own math beside the C library's, over 1024 arguments of the sizes the scenes use
// (angles up to a few hundred radians, bases in 0..1 with exponents near 1, small exponents).
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "math/show_math.h"

namespace {

constexpr int kCount = 1024;

// Deterministic arguments in [lo, hi)
std::vector<float> spread(float lo, float hi, unsigned salt) {
    std::vector<float> v(kCount);
    unsigned s = 0x9E3779B9u ^ salt;
    for (float& x : v) {
        s = s * 1664525u + 1013904223u;
        x = lo + (hi - lo) * (float)(s >> 8) / 16777216.0f;
    }
    return v;
}

template <float (*F)(float)>
void one(benchmark::State& state, float lo, float hi) {
    const std::vector<float> x = spread(lo, hi, 1);
    for (auto _ : state) {
        float sum = 0.0f;
        for (float v : x) sum += F(v);
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * kCount);
}

template <float (*F)(float, float)>
void two(benchmark::State& state, float lo1, float hi1, float lo2, float hi2) {
    const std::vector<float> a = spread(lo1, hi1, 1);
    const std::vector<float> b = spread(lo2, hi2, 2);
    for (auto _ : state) {
        float sum = 0.0f;
        for (int i = 0; i < kCount; ++i) sum += F(a[i], b[i]);
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * kCount);
}

// The array functions over the same arguments, all at once
template <void (*F)(const float*, float*, int)>
void array(benchmark::State& state, float lo, float hi) {
    const std::vector<float> x = spread(lo, hi, 1);
    std::vector<float> out(kCount);
    for (auto _ : state) {
        F(x.data(), out.data(), kCount);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kCount);
}

// Both results of every argument: one item is a sine and a cosine
void sinCos(benchmark::State& state, float lo, float hi) {
    const std::vector<float> x = spread(lo, hi, 1);
    std::vector<float> s(kCount), c(kCount);
    for (auto _ : state) {
        showSinCosArray(x.data(), s.data(), c.data(), kCount);
        benchmark::DoNotOptimize(s.data());
        benchmark::DoNotOptimize(c.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kCount);
}

float libSin(float x) { return sinf(x); }
float libCos(float x) { return cosf(x); }
float libExp(float x) { return expf(x); }
float libPow(float x, float y) { return powf(x, y); }
float libAtan2(float y, float x) { return atan2f(y, x); }
float libHypot(float x, float y) { return hypotf(x, y); }

void BM_SinShow(benchmark::State& s) { one<showSin>(s, -300.0f, 300.0f); }
void BM_SinLibm(benchmark::State& s) { one<libSin>(s, -300.0f, 300.0f); }
void BM_SinShowArray(benchmark::State& s) { array<showSinArray>(s, -300.0f, 300.0f); }
void BM_SinCosShowArray(benchmark::State& s) { sinCos(s, -300.0f, 300.0f); }
void BM_SinShowSmall(benchmark::State& s) { one<showSin>(s, -0.7f, 0.7f); }  // No reduction needed
void BM_SinLibmSmall(benchmark::State& s) { one<libSin>(s, -0.7f, 0.7f); }
void BM_CosShow(benchmark::State& s) { one<showCos>(s, -300.0f, 300.0f); }
void BM_CosLibm(benchmark::State& s) { one<libCos>(s, -300.0f, 300.0f); }
void BM_ExpShow(benchmark::State& s) { one<showExp>(s, -10.0f, 10.0f); }
void BM_ExpLibm(benchmark::State& s) { one<libExp>(s, -10.0f, 10.0f); }
void BM_PowShow(benchmark::State& s) { two<showPow>(s, 0.0f, 1.0f, 0.5f, 6.0f); }
void BM_PowLibm(benchmark::State& s) { two<libPow>(s, 0.0f, 1.0f, 0.5f, 6.0f); }
void BM_Atan2Show(benchmark::State& s) { two<showAtan2>(s, -1.0f, 1.0f, -1.0f, 1.0f); }
void BM_Atan2Libm(benchmark::State& s) { two<libAtan2>(s, -1.0f, 1.0f, -1.0f, 1.0f); }
void BM_HypotShow(benchmark::State& s) { two<showHypot>(s, -100.0f, 100.0f, -100.0f, 100.0f); }
void BM_HypotLibm(benchmark::State& s) { two<libHypot>(s, -100.0f, 100.0f, -100.0f, 100.0f); }

}  // namespace

BENCHMARK(BM_SinShow);
BENCHMARK(BM_SinLibm);
BENCHMARK(BM_SinShowArray);
BENCHMARK(BM_SinCosShowArray);
BENCHMARK(BM_SinShowSmall);
BENCHMARK(BM_SinLibmSmall);
BENCHMARK(BM_CosShow);
BENCHMARK(BM_CosLibm);
BENCHMARK(BM_ExpShow);
BENCHMARK(BM_ExpLibm);
BENCHMARK(BM_PowShow);
BENCHMARK(BM_PowLibm);
BENCHMARK(BM_Atan2Show);
BENCHMARK(BM_Atan2Libm);
BENCHMARK(BM_HypotShow);
BENCHMARK(BM_HypotLibm);
