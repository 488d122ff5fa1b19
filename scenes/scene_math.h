// Small helpers shared by the scenes: table indices and the deterministic integer hash (the clamps
// are math/clamp.h).
#pragma once

#include <cstdint>

#include "math/clamp.h"

// A float that becomes an index into a table of last + 1 entries: the floor of v clamped to
// 0..last, with NaN (which clamp lets through) counted as 0.
inline int tableIndex(float v, int last) {
    if (!(v > 0.0f)) return 0;  // Also NaN
    if (v >= (float)last) return last;
    return (int)v;
}

// Integer mixing hash on unsigned 32-bit values with wrapping arithmetic.
inline uint32_t hash32(uint32_t x) {
    x ^= x >> 16;
    x *= 0x7FEB352Du;
    x ^= x >> 15;
    x *= 0x846CA68Bu;
    x ^= x >> 16;
    return x;
}

// A number in [0, 1) from a key.
inline float unit(uint32_t x) { return (float)(hash32(x) & 0xFFFFFFu) / 16777216.0f; }

// Salts that derive further values from one key (key XOR salt).
constexpr uint32_t kSaltA = 0x9E3779B9u;
constexpr uint32_t kSaltB = 0x7F4A7C15u;
