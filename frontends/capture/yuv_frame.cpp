#include "frontends/capture/yuv_frame.h"

#include <cstddef>  // Required for: size_t
#include <cstdint>

namespace {

// BT.709's luma weights; Y' spans 16..235 and Cb, Cr 16..240 around 128 (limited range).
constexpr float kRed = 0.2126f;
constexpr float kBlue = 0.0722f;
constexpr float kGreen = 1.0f - kRed - kBlue;
constexpr float kLumaScale = 219.0f / 255.0f;
constexpr float kChromaScale = 224.0f / 255.0f;

// In single precision, so that the compiler converts four pixels at a time on any x86-64 (which
// has no vector 32-bit integer multiply before SSE4.1). Every result is positive: adding 0.5 and
// truncating rounds to nearest.
constexpr float kYR = kRed * kLumaScale;
constexpr float kYG = kGreen * kLumaScale;
constexpr float kYB = kBlue * kLumaScale;
constexpr float kLumaOffset = 16.5f;

// Chroma per 2x2 block, applied to the block's sums: a quarter of the weights on the mean.
constexpr float kCbR = -0.25f * 0.5f * kRed / (1.0f - kBlue) * kChromaScale;
constexpr float kCbG = -0.25f * 0.5f * kGreen / (1.0f - kBlue) * kChromaScale;
constexpr float kCbB = 0.25f * 0.5f * kChromaScale;
constexpr float kCrR = 0.25f * 0.5f * kChromaScale;
constexpr float kCrG = -0.25f * 0.5f * kGreen / (1.0f - kRed) * kChromaScale;
constexpr float kCrB = -0.25f * 0.5f * kBlue / (1.0f - kRed) * kChromaScale;
constexpr float kChromaOffset = 128.5f;

// Pixels are read as 32-bit words: red, the first byte in memory, is the low byte.
static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "pixels are read as little-endian words");
inline float red(uint32_t p) { return (float)(int)(p & 0xff); }
inline float green(uint32_t p) { return (float)(int)((p >> 8) & 0xff); }
inline float blue(uint32_t p) { return (float)(int)((p >> 16) & 0xff); }

// One row's luma, and each pixel's share of its block's chroma added into blue and red, so that
// every loop runs over consecutive pixels (which the compiler turns into vector code).
template <bool kFirstRow>
void convertRow(const uint32_t* pixels, int width, uint8_t* y, float* blueSums, float* redSums) {
    for (int x = 0; x < width; ++x) {
        const uint32_t p = pixels[x];
        const float r = red(p), g = green(p), b = blue(p);
        y[x] = (uint8_t)(int)(kYR * r + kYG * g + kYB * b + kLumaOffset);
        const float cb = kCbR * r + kCbG * g + kCbB * b;
        const float cr = kCrR * r + kCrG * g + kCrB * b;
        blueSums[x] = kFirstRow ? cb : blueSums[x] + cb;
        redSums[x] = kFirstRow ? cr : redSums[x] + cr;
    }
}

void chromaRow(const float* blueSums, const float* redSums, int width, uint8_t* cb, uint8_t* cr) {
    for (int x = 0; x < width / 2; ++x) {
        cb[x] = (uint8_t)(int)(blueSums[2 * x] + blueSums[2 * x + 1] + kChromaOffset);
        cr[x] = (uint8_t)(int)(redSums[2 * x] + redSums[2 * x + 1] + kChromaOffset);
    }
}

}  // namespace

void rgbaToYuv420(const unsigned char* rgba, int width, int height, std::vector<unsigned char>& planes) {
    const size_t lumaSize = (size_t)width * (size_t)height;
    const size_t chromaSize = lumaSize / 4;
    planes.resize(lumaSize + 2 * chromaSize);
    uint8_t* y = planes.data();
    uint8_t* cb = y + lumaSize;
    uint8_t* cr = cb + chromaSize;
    const uint32_t* pixels = reinterpret_cast<const uint32_t*>(rgba);
    std::vector<float> blueSums((size_t)width), redSums((size_t)width);
    for (int row = 0; row + 1 < height; row += 2) {
        const uint32_t* top = pixels + (size_t)row * (size_t)width;
        convertRow<true>(top, width, y + (size_t)row * (size_t)width, blueSums.data(), redSums.data());
        convertRow<false>(top + width, width, y + (size_t)(row + 1) * (size_t)width, blueSums.data(), redSums.data());
        const size_t chromaAt = (size_t)(row / 2) * (size_t)(width / 2);
        chromaRow(blueSums.data(), redSums.data(), width, cb + chromaAt, cr + chromaAt);
    }
}
