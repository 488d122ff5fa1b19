// How far two pictures of the same size are apart: the pixels with a channel (red, green or blue)
// more than a tolerance away from the other picture's, and the largest difference of any channel.
#pragma once

#include <cstddef>

struct PixelDiff {
    bool sameSize = false;
    size_t pixels = 0;   // In each picture
    size_t beyond = 0;   // Pixels with a channel more than the tolerance apart
    int largest = 0;     // The largest difference of one channel, 0..255
};

// Both pictures RGBA, width * height pixels, top row first.
PixelDiff diffPixels(const unsigned char* a, const unsigned char* b, size_t pixels, int tolerance);

// Two image files (PNG); sameSize false when either cannot be read or the sizes differ.
PixelDiff diffImageFiles(const char* pathA, const char* pathB, int tolerance);
