// A fingerprint of the cells a frame composed, so that two builds (desktop and browser) or two runs
// can be compared without moving the whole grid.
#pragma once

#include <cstdint>

#include "framebuffer/ascii_framebuffer.h"

// FNV-1a (64 bits) over the grid size, then every cell's codepoint and its eight colour bytes
// (foreground r, g, b, a, background r, g, b, a) in row-major order, each value in little-endian
// byte order.
uint64_t cellHash(const AsciiFramebuffer& fb);
