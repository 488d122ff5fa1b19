#include "tools/pixel_diff/pixel_diff.h"

#include <cstdlib>  // Required for: abs()

#include "raylib.h"  // Required for: LoadImage(), ImageFormat()

PixelDiff diffPixels(const unsigned char* a, const unsigned char* b, size_t pixels, int tolerance) {
    PixelDiff d;
    d.sameSize = true;
    d.pixels = pixels;
    for (size_t i = 0; i < pixels; ++i) {
        int worst = 0;
        for (int c = 0; c < 3; ++c) {
            const int diff = abs((int)a[4 * i + c] - (int)b[4 * i + c]);
            worst = diff > worst ? diff : worst;
        }
        if (worst > tolerance) d.beyond += 1;
        if (worst > d.largest) d.largest = worst;
    }
    return d;
}

PixelDiff diffImageFiles(const char* pathA, const char* pathB, int tolerance) {
    Image a = LoadImage(pathA);
    Image b = LoadImage(pathB);
    PixelDiff d;
    if (a.data != nullptr && b.data != nullptr && a.width == b.width && a.height == b.height) {
        ImageFormat(&a, PIXELFORMAT_UNCOMPRESSED_R8G8B8A8);
        ImageFormat(&b, PIXELFORMAT_UNCOMPRESSED_R8G8B8A8);
        d = diffPixels(static_cast<const unsigned char*>(a.data), static_cast<const unsigned char*>(b.data),
                       (size_t)a.width * (size_t)a.height, tolerance);
    }
    UnloadImage(a);
    UnloadImage(b);
    return d;
}
