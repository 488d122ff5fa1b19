#include "framebuffer/quad_sampling.h"

#include <cmath>    // Required for: floorf(), lrintf(), ceil(), nextafter()
#include <cstdint>  // Required for: int64_t, uint64_t
#include <cstring>  // Required for: memcpy()

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>  // Required for: __get_cpuid(), bit_FMA, bit_OSXSAVE
#endif

namespace {

constexpr float kPixelCentre = 0.5f;
constexpr float kBelowOne = 0x1.fffffep-1f;  // The largest float below 1: a wrapped coordinate's top
constexpr float kSubpixels = 256.0f;         // The rasteriser snaps positions to 1/256 pixel

// A vertex in window coordinates (y up, as OpenGL counts the target's rows) and one attribute.
struct Vertex {
    float x, y, a;
};

// The attribute's plane over a triangle, a(x, y) = a0 + dadx * x + dady * y at pixel (x, y),
// worked as the rasteriser's setup works it: single products and sums, each rounded.
struct Plane {
    float a0, dadx, dady;
};

Plane planeOf(const Vertex& v0, const Vertex& v1, const Vertex& v2) {
    const float dx01 = v0.x - v1.x, dy01 = v0.y - v1.y;
    const float dx20 = v2.x - v0.x, dy20 = v2.y - v0.y;
    const float ooa = 1.0f / (dx01 * dy20 - dy01 * dx20);
    const float dx01o = dx01 * ooa, dy01o = dy01 * ooa, dx20o = dx20 * ooa, dy20o = dy20 * ooa;
    const float da01 = v0.a - v1.a, da20 = v2.a - v0.a;
    const float dadx = da01 * dy20o - da20 * dy01o;
    const float dady = da20 * dx01o - da01 * dx20o;
    const float a0 = v0.a - (dadx * (v0.x - kPixelCentre) + dady * (v0.y - kPixelCentre));
    return {a0, dadx, dady};
}

// The texel a coordinate picks: wrapped into [0, 1) as a repeating texture is, scaled, truncated.
int texelOf(float coord, int texels) {
    float wrapped = coord - floorf(coord);
    wrapped = wrapped > kBelowOne ? kBelowOne : wrapped;
    const int t = (int)(wrapped * (float)texels);
    return t < 0 ? 0 : (t >= texels ? texels - 1 : t);
}

// The rasteriser's generated code fuses a multiply and an add where the processor can (x86 with
// FMA, as every machine with AVX2 has; ARM always), and rounds the product first where it cannot.
// Asked of the processor itself (cpuid), not through the compiler's runtime library.
bool fusedMultiplyAdd() {
#if defined(__x86_64__) || defined(__i386__)
    static const bool fused = [] {
        unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
        return __get_cpuid(1, &eax, &ebx, &ecx, &edx) != 0 && (ecx & bit_FMA) != 0 && (ecx & bit_OSXSAVE) != 0;
    }();
    return fused;
#else
    return true;
#endif
}

// a * b + c rounded once, as the processor's instruction rounds it. Worked out here rather than with
// the C library's fmaf, which some runtimes (MinGW-w64's) do not round correctly: the product is
// exact in double precision, the sum's rounding error is found exactly (two-sum), and a rounded sum
// is moved to the odd one of the two doubles around the true value, so that rounding it to single
// precision sees on which side of a halfway point the true value lies.
float fusedMulAdd(float a, float b, float c) {
    const double product = (double)a * (double)b;
    double sum = product + (double)c;
    const double addendPart = sum - product;
    const double error = (product - (sum - addendPart)) + ((double)c - addendPart);
    if (error != 0.0) {
        uint64_t bits = 0;
        std::memcpy(&bits, &sum, sizeof bits);
        if ((bits & 1u) == 0) sum = std::nextafter(sum, error > 0.0 ? HUGE_VAL : -HUGE_VAL);
    }
    return (float)sum;
}

float mulAdd(float a, float b, float c) { return fusedMultiplyAdd() ? fusedMulAdd(a, b, c) : a * b + c; }

// A position through the projection (rounded product, then sum) and the viewport.
float toWindow(float p, float scale, float offset, float size) {
    const float ndc = p * scale + offset;
    return mulAdd(ndc, size * 0.5f, size * 0.5f);
}

int snapped(float p) { return (int)lrintf((p - kPixelCentre) * kSubpixels); }

bool inside(int pixel, float start, float size) {
    const float centre = (float)pixel + 0.5f;
    return centre >= start && centre < start + size;
}

}  // namespace

void sampleQuad(QuadSampling& q, int width, int height, Rectangle dest, int texW, int texH) {
    const float w = (float)width, h = (float)height;
    // raylib's orthographic projection of a target: x to 2/w x - 1, y to 1 - 2/h y
    const float xl = toWindow(dest.x, 2.0f / w, -1.0f, w);
    const float xr = toWindow(dest.x + dest.width, 2.0f / w, -1.0f, w);
    const float yTop = toWindow(dest.y, 2.0f / -h, 1.0f, h);
    const float yBottom = toWindow(dest.y + dest.height, 2.0f / -h, 1.0f, h);

    // The quad's triangles (top-left, bottom-left, bottom-right) and (top-left, bottom-right,
    // top-right), each set up from its second vertex, as the rasteriser orders them. u runs 0 to 1
    // left to right; v 1 at the top, 0 at the bottom (the render texture is stored bottom row first).
    const Plane uBelow = planeOf({xl, yBottom, 0.0f}, {xl, yTop, 0.0f}, {xr, yBottom, 1.0f});
    const Plane uAbove = planeOf({xr, yBottom, 1.0f}, {xl, yTop, 0.0f}, {xr, yTop, 1.0f});
    const Plane vBelow = planeOf({xl, yBottom, 0.0f}, {xl, yTop, 1.0f}, {xr, yBottom, 0.0f});
    const Plane vAbove = planeOf({xr, yBottom, 0.0f}, {xl, yTop, 1.0f}, {xr, yTop, 1.0f});

    // On an axis-aligned quad u depends on x alone and v on y alone (the other slope is exactly 0)
    q.columnsBelow.assign((size_t)width, -1);
    q.columnsAbove.assign((size_t)width, -1);
    for (int x = 0; x < width; ++x) {
        if (!inside(x, dest.x, dest.width)) continue;
        q.columnsBelow[(size_t)x] = texelOf(mulAdd(uBelow.dadx, (float)x, uBelow.a0), texW);
        q.columnsAbove[(size_t)x] = texelOf(mulAdd(uAbove.dadx, (float)x, uAbove.a0), texW);
    }
    q.rowsBelow.assign((size_t)height, -1);
    q.rowsAbove.assign((size_t)height, -1);
    q.firstAbove.assign((size_t)height, 0);
    // The diagonal from the top-left to the bottom-right corner on the rasteriser's subpixel grid
    const int64_t x0 = snapped(xl), y0 = snapped(yTop), dx = snapped(xr) - x0, dy = snapped(yBottom) - y0;
    for (int y = 0; y < height; ++y) {
        const float row = (float)(height - 1 - y);  // The target's rows counted from the bottom
        if (inside(y, dest.y, dest.height)) {
            q.rowsBelow[(size_t)y] = texH - 1 - texelOf(mulAdd(vBelow.dady, row, vBelow.a0), texH);
            q.rowsAbove[(size_t)y] = texH - 1 - texelOf(mulAdd(vAbove.dady, row, vAbove.a0), texH);
        }
        // Pixel centres with dx * (py - y0) - dy * (px - x0) >= 0 lie on the top-right side
        const int64_t py = (int64_t)(height - 1 - y) * (int64_t)kSubpixels;
        const int64_t base = dx * (py - y0) + dy * x0;  // + (-dy) * px, and -dy > 0
        const int64_t step = -dy * (int64_t)kSubpixels;
        int first = 0;
        if (step > 0) {
            const double guess = ceil(-(double)base / (double)step);
            first = guess < 0.0 ? 0 : (guess > (double)width ? width : (int)guess);
            while (first > 0 && base + step * (first - 1) >= 0) --first;
            while (first < width && base + step * first < 0) ++first;
        }
        q.firstAbove[(size_t)y] = first;
    }
}
