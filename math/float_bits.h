// The bits of a float or a double and back, without undefined behaviour.
#pragma once

#include <cstdint>
#include <cstring>  // Required for: memcpy()

inline uint32_t bitsOf(float x) {
    uint32_t b;
    memcpy(&b, &x, sizeof b);
    return b;
}

inline float floatOf(uint32_t b) {
    float x;
    memcpy(&x, &b, sizeof x);
    return x;
}

inline uint64_t bitsOf(double x) {
    uint64_t b;
    memcpy(&b, &x, sizeof b);
    return b;
}

inline double doubleOf(uint64_t b) {
    double x;
    memcpy(&x, &b, sizeof x);
    return x;
}
