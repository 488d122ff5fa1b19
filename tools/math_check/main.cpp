// math_check: measures the show's own math (math/show_math.h) against high-precision references.
//
//   math_check exhaustive sin|cos|exp [--threads N] [--positive]
//                                                     every one of the 2^32 floats, or the 2^31 of
//                                                     sign 0 (sin and cos treat −x as the mirror of x)
//   math_check pairs pow|atan2|hypot [--count N]      edge values, hard cases and N random pairs
//   math_check digest [--all]                         a hash of every function's results over a
//                                                     fixed set of inputs, to compare platforms or
//                                                     builds; --all: every float for sin, cos, exp
//   math_check arrays [--threads N]                   showSinArray, showCosArray, showSinCosArray
//                                                     against showSin and showCos on every float
//
// The reference is the C library's double (or, where the double lands next to a float rounding
// boundary, long double) function, rounded once to float. Prints how many results are correctly
// rounded, the largest error in units in the last place, and how many differ from the C library's
// own float function. Exits non-zero when any result is more than one unit off or a NaN is wrong.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "math/float_bits.h"
#include "math/show_math.h"

namespace {

struct Function1 {
    const char* name;
    float (*mine)(float);
    float (*libm)(float);
    double (*ref)(double);
    long double (*refLong)(long double);
};

struct Function2 {
    const char* name;
    float (*mine)(float, float);
    float (*libm)(float, float);
    double (*ref)(double, double);
    long double (*refLong)(long double, long double);
};

float libmSin(float x) { return sinf(x); }
float libmCos(float x) { return cosf(x); }
float libmExp(float x) { return expf(x); }
float libmPow(float x, float y) { return powf(x, y); }
float libmAtan2(float y, float x) { return atan2f(y, x); }
float libmHypot(float x, float y) { return hypotf(x, y); }
double refSin(double x) { return sin(x); }
double refCos(double x) { return cos(x); }
double refExp(double x) { return exp(x); }
double refPow(double x, double y) { return pow(x, y); }
double refAtan2(double y, double x) { return atan2(y, x); }
double refHypot(double x, double y) { return hypot(x, y); }
long double refSinL(long double x) { return sinl(x); }
long double refCosL(long double x) { return cosl(x); }
long double refExpL(long double x) { return expl(x); }
long double refPowL(long double x, long double y) { return powl(x, y); }
long double refAtan2L(long double y, long double x) { return atan2l(y, x); }
long double refHypotL(long double x, long double y) { return hypotl(x, y); }

const Function1 kOne[] = {{"sin", showSin, libmSin, refSin, refSinL},
                          {"cos", showCos, libmCos, refCos, refCosL},
                          {"exp", showExp, libmExp, refExp, refExpL}};
const Function2 kTwo[] = {{"pow", showPow, libmPow, refPow, refPowL},
                          {"atan2", showAtan2, libmAtan2, refAtan2, refAtan2L},
                          {"hypot", showHypot, libmHypot, refHypot, refHypotL}};

bool sameFloat(float a, float b) { return bitsOf(a) == bitsOf(b) || (std::isnan(a) && std::isnan(b)); }

// The size of one unit in the last place of floats of the magnitude of v
long double ulpAt(long double v) {
    const long double a = fabsl(v);
    if (a < 0x1p-126L) return 0x1p-149L;
    if (a >= 0x1p127L) return 0x1p104L;
    int e;
    frexpl(a, &e);
    return ldexpl(1.0L, e - 24);
}

// True when the double d is so close to a point halfway between two floats that its own rounding
// error could have moved it across
bool nearHalfway(double d) {
    const float f = (float)d;
    if (std::isinf(f) || std::isnan(f) || d == 0.0) return false;
    const float g = nextafterf(f, fabs(d) > fabs((double)f) ? INFINITY : 0.0f);
    const double mid = ((double)f + (double)g) * 0.5;
    return fabs(d - mid) <= 4.0 * fabs(d) * 0x1p-53;
}

struct Tally {
    uint64_t count = 0, correct = 0, overOne = 0, nanWrong = 0, libmDiffers = 0, libmWrong = 0;
    double maxUlp = 0.0;
    float worstX = 0.0f, worstY = 0.0f;
    std::vector<std::pair<float, float>> misrounded;  // The first few

    void add(const Tally& o) {
        count += o.count;
        correct += o.correct;
        overOne += o.overOne;
        nanWrong += o.nanWrong;
        libmDiffers += o.libmDiffers;
        libmWrong += o.libmWrong;
        if (o.maxUlp > maxUlp) {
            maxUlp = o.maxUlp;
            worstX = o.worstX;
            worstY = o.worstY;
        }
        for (const auto& m : o.misrounded)
            if (misrounded.size() < 12) misrounded.push_back(m);
    }
};

// Scores one result against the reference value (double, with a long double tie-breaker)
void score(Tally& t, float x, float y, float mine, float libm, double ref, long double refLong, bool useLong) {
    ++t.count;
    const long double exact = useLong ? refLong : (long double)ref;
    const float rounded = (float)exact;
    if (!sameFloat(libm, mine)) ++t.libmDiffers;
    if (!sameFloat(libm, rounded)) ++t.libmWrong;
    if (std::isnan(exact) || std::isnan(mine)) {
        if (std::isnan(exact) && std::isnan(mine)) ++t.correct;
        else ++t.nanWrong;
        return;
    }
    if (sameFloat(mine, rounded)) {
        ++t.correct;
    } else if (t.misrounded.size() < 12) {
        t.misrounded.push_back({x, y});
    }
    double ulps;
    if (std::isinf(mine) || std::isinf(rounded)) {
        ulps = sameFloat(mine, rounded) ? 0.0 : 1e30;
        // Overflow boundary: a finite FLT_MAX against an exact value just past it is within an ulp
        if (!sameFloat(mine, rounded) && fabsl(exact) < 0x1p128L && fabsf(mine) == 3.40282347e38f) ulps = 1.0;
    } else {
        ulps = (double)(fabsl((long double)mine - exact) / ulpAt(exact));
    }
    if (ulps > t.maxUlp) {
        t.maxUlp = ulps;
        t.worstX = x;
        t.worstY = y;
    }
    if (ulps > 1.0) ++t.overOne;
}

void checkOne(const Function1& f, float x, Tally& t) {
    const double ref = f.ref((double)x);
    const bool useLong = nearHalfway(ref);
    score(t, x, 0.0f, f.mine(x), f.libm(x), ref, useLong ? f.refLong((long double)x) : 0.0L, useLong);
}

void checkTwo(const Function2& f, float x, float y, Tally& t) {
    const double ref = f.ref((double)x, (double)y);
    const bool useLong = nearHalfway(ref);
    score(t, x, y, f.mine(x, y), f.libm(x, y), ref, useLong ? f.refLong((long double)x, (long double)y) : 0.0L,
          useLong);
}

int report(const char* name, const Tally& t) {
    printf("%s: %llu inputs, %llu correctly rounded (%.7f%%), largest error %.4f ulp (at %a, %a), "
           "%llu over 1 ulp, %llu wrong NaN; differs from the C library's float function on %llu, "
           "which itself is not correctly rounded on %llu\n",
           name, (unsigned long long)t.count, (unsigned long long)t.correct, 100.0 * (double)t.correct / (double)t.count,
           t.maxUlp, t.worstX, t.worstY, (unsigned long long)t.overOne, (unsigned long long)t.nanWrong,
           (unsigned long long)t.libmDiffers, (unsigned long long)t.libmWrong);
    for (const auto& m : t.misrounded) printf("  not correctly rounded: %a %a\n", m.first, m.second);
    return (t.overOne == 0 && t.nanWrong == 0) ? 0 : 1;
}

// Every float of one sign, in chunks of 2^24 bit patterns shared by the threads; a running total
// after each chunk, so that a long run reports as it goes
Tally sweep(const Function1& f, int threads, uint32_t signBit) {
    Tally total;
    constexpr uint64_t kChunk = 1ull << 24;
    for (uint64_t start = 0; start < 0x80000000ull; start += kChunk) {
        std::vector<Tally> tallies(threads);
        std::vector<std::thread> workers;
        for (int w = 0; w < threads; ++w) {
            workers.emplace_back([&, w] {
                for (uint64_t b = start + (uint64_t)w; b < start + kChunk; b += (uint64_t)threads) {
                    checkOne(f, floatOf((uint32_t)b | signBit), tallies[w]);
                }
            });
        }
        for (int w = 0; w < threads; ++w) {
            workers[w].join();
            total.add(tallies[w]);
        }
        fprintf(stderr, "%s: %s floats below %a done, %llu not correctly rounded, largest error %.4f ulp\n", f.name,
                signBit ? "negative" : "positive", (double)floatOf((uint32_t)(start + kChunk - 1)),
                (unsigned long long)(total.count - total.correct), total.maxUlp);
    }
    return total;
}

int exhaustive(const Function1& f, int threads, bool bothSigns) {
    Tally total = sweep(f, threads, 0u);
    if (bothSigns) total.add(sweep(f, threads, 0x80000000u));
    return report(f.name, total);
}

// A small deterministic generator for the random pairs
struct XorShift {
    uint64_t s = 0x9E3779B97F4A7C15ull;
    uint32_t next() {
        s ^= s << 13;
        s ^= s >> 7;
        s ^= s << 17;
        return (uint32_t)(s >> 32);
    }
};

std::vector<float> edgeValues() {
    std::vector<float> v = {0.0f, -0.0f, 1.0f, -1.0f, 0.5f, -0.5f, 2.0f, -2.0f, 3.0f, -3.0f, 0.1f, 10.0f, 1e-45f,
                            -1e-45f, 1.17549435e-38f, 1e-30f, 1e30f, 3.40282347e38f, -3.40282347e38f, INFINITY,
                            -INFINITY, NAN, 1.0000001f, 0.99999994f, 127.0f, 128.0f, 149.0f, 150.0f, 0.3333333f,
                            1.5707964f, 3.1415927f, 16777216.0f, 16777215.0f, 8388609.0f};
    return v;
}

int pairs(const Function2& f, long long count) {
    Tally edges, hard, random;
    const std::vector<float> e = edgeValues();
    for (float x : e)
        for (float y : e) checkTwo(f, x, y, edges);

    XorShift rng;
    const std::string name = f.name;
    for (long long i = 0; i < count; ++i) {
        if (name == "pow") {
            // Near 1 with exponents that keep the result finite, and the whole range of results
            const float x = floatOf(0x3F800000u + (rng.next() % 4096u) - 2048u);
            const float y = (float)((int)(rng.next() % 2000001u) - 1000000) * 1e-3f * 1000.0f;
            checkTwo(f, x, y, hard);
            const float bx = floatOf(rng.next() & 0x7FFFFFFFu);
            const float by = floatOf(0x3F800000u + (rng.next() % 0x05000000u) - 0x02800000u) * ((rng.next() & 1) ? -1.0f : 1.0f);
            checkTwo(f, bx, by, hard);
            checkTwo(f, -bx, (float)((int)(rng.next() % 61u) - 30), hard);  // Negative x, integer y
        } else {
            // Angles and lengths near the axes and the diagonal, across magnitudes
            const float a = floatOf(rng.next());
            checkTwo(f, a, a * (1.0f + (float)((int)(rng.next() % 9u) - 4) * 1e-7f), hard);
            checkTwo(f, floatOf(rng.next() & 0x7FFFFFFFu), floatOf(rng.next() % 0x00900000u), hard);
        }
        checkTwo(f, floatOf(rng.next()), floatOf(rng.next()), random);
        // Values a scene sees: moderate magnitudes
        checkTwo(f, (float)((int)(rng.next() % 2000001u) - 1000000) * 1e-4f,
                 (float)((int)(rng.next() % 2000001u) - 1000000) * 1e-4f, random);
    }
    int status = report((name + " edges").c_str(), edges);
    status |= report((name + " hard cases").c_str(), hard);
    status |= report((name + " random").c_str(), random);
    return status;
}

// FNV-1a over the result bits of each function on every 251st float, or every float (and pairs of
// them): two platforms or builds that print the same digests computed the same bits.
int digest(bool everyFloat) {
    const uint64_t step = everyFloat ? 1 : 251;
    for (const Function1& f : kOne) {
        uint64_t h = 0xCBF29CE484222325ull;
        for (uint64_t b = 0; b <= 0xFFFFFFFFull; b += step) {
            h = (h ^ bitsOf(f.mine(floatOf((uint32_t)b)))) * 0x100000001B3ull;
        }
        printf("%s %016llx\n", f.name, (unsigned long long)h);
    }
    for (const Function2& f : kTwo) {
        uint64_t h = 0xCBF29CE484222325ull;
        XorShift rng;
        for (int i = 0; i < 4000000; ++i) {
            const float a = floatOf(rng.next());
            const float b = (i & 1) ? floatOf(rng.next()) : (float)((int)(rng.next() % 2001u) - 1000) * 0.01f;
            h = (h ^ bitsOf(f.mine(a, b))) * 0x100000001B3ull;
        }
        printf("%s %016llx\n", f.name, (unsigned long long)h);
    }
    return 0;
}

// The array functions against one call per value, on every float. Blocks of an odd length, so that
// the last value of each goes through the one-at-a-time tail as well.
int arrays(int threads) {
    constexpr int kBlock = 4099;
    std::vector<uint64_t> differ(threads * 3, 0);
    std::vector<std::thread> workers;
    for (int w = 0; w < threads; ++w) {
        workers.emplace_back([&, w] {
            std::vector<float> x(kBlock), s(kBlock), c(kBlock), s2(kBlock), c2(kBlock);
            const uint64_t blocks = (0x100000000ull + kBlock - 1) / kBlock;
            for (uint64_t k = (uint64_t)w; k < blocks; k += (uint64_t)threads) {
                const uint64_t first = k * kBlock;
                const int n = (int)((0x100000000ull - first < kBlock) ? 0x100000000ull - first : kBlock);
                for (int i = 0; i < n; ++i) x[i] = floatOf((uint32_t)(first + (uint64_t)i));
                showSinArray(x.data(), s.data(), n);
                showCosArray(x.data(), c.data(), n);
                showSinCosArray(x.data(), s2.data(), c2.data(), n);
                for (int i = 0; i < n; ++i) {
                    const uint32_t sine = bitsOf(showSin(x[i])), cosine = bitsOf(showCos(x[i]));
                    differ[w * 3 + 0] += bitsOf(s[i]) != sine;
                    differ[w * 3 + 1] += bitsOf(c[i]) != cosine;
                    differ[w * 3 + 2] += bitsOf(s2[i]) != sine || bitsOf(c2[i]) != cosine;
                }
            }
        });
    }
    uint64_t total[3] = {};
    for (int w = 0; w < threads; ++w) {
        workers[w].join();
        for (int j = 0; j < 3; ++j) total[j] += differ[w * 3 + j];
    }
    printf("arrays: every float; differ from showSin/showCos: showSinArray %llu, showCosArray %llu, "
           "showSinCosArray %llu\n",
           (unsigned long long)total[0], (unsigned long long)total[1], (unsigned long long)total[2]);
    return (total[0] | total[1] | total[2]) == 0 ? 0 : 1;
}

int usage() {
    fprintf(stderr, "usage: math_check exhaustive sin|cos|exp [--threads N] [--positive]\n"
                    "       math_check pairs pow|atan2|hypot [--count N]\n"
                    "       math_check digest [--all]\n"
                    "       math_check arrays [--threads N]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && strcmp(argv[1], "digest") == 0) {
        if (argc == 2) return digest(false);
        if (argc == 3 && strcmp(argv[2], "--all") == 0) return digest(true);
        return usage();
    }
    if (argc >= 2 && strcmp(argv[1], "arrays") == 0) {
        if (argc == 2) return arrays(1);
        if (argc == 4 && strcmp(argv[2], "--threads") == 0 && atoi(argv[3]) > 0) return arrays(atoi(argv[3]));
        return usage();
    }
    if (argc < 3) return usage();
    const std::string mode = argv[1];
    const std::string name = argv[2];
    long long number = 0;
    bool positive = false;
    for (int i = 3; i < argc; ++i) {
        if (strcmp(argv[i], "--positive") == 0) positive = true;
        else if (i + 1 < argc && (strcmp(argv[i], "--threads") == 0 || strcmp(argv[i], "--count") == 0)) number = atoll(argv[++i]);
        else return usage();
    }

    if (mode == "exhaustive") {
        for (const Function1& f : kOne)
            if (name == f.name) return exhaustive(f, number > 0 ? (int)number : 1, !positive);
    } else if (mode == "pairs") {
        for (const Function2& f : kTwo)
            if (name == f.name) return pairs(f, number > 0 ? number : 1000000);
    }
    return usage();
}
