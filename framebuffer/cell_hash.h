// A fingerprint of the cells a frame composed, so that two builds (desktop and browser) or two runs
// can be compared without moving the whole grid.
#pragma once

#include <cstdint>

#include "framebuffer/ascii_framebuffer.h"

constexpr uint64_t kFnvOffset = 1469598103934665603ull;  // FNV-1a's 64-bit start
constexpr uint64_t kFnvPrime = 1099511628211ull;

// One FNV-1a step per byte of the low `bytes` bytes of v, least significant first.
inline uint64_t fnvMix(uint64_t h, uint64_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        h ^= (v >> (8 * i)) & 0xFFu;
        h *= kFnvPrime;
    }
    return h;
}

// FNV-1a (64 bits) over the grid size, then every cell's codepoint and its eight colour bytes
// (foreground r, g, b, a, background r, g, b, a) in row-major order, each value in little-endian
// byte order. From `h`, a running hash can take in several frames.
uint64_t cellHash(const AsciiFramebuffer& fb, uint64_t h = kFnvOffset);
