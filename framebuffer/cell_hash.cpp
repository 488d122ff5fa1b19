#include "framebuffer/cell_hash.h"

namespace {

void mix(uint64_t& h, uint32_t v) { h = fnvMix(h, v, 4); }

uint32_t packed(Color c) { return (uint32_t)c.r | (uint32_t)c.g << 8 | (uint32_t)c.b << 16 | (uint32_t)c.a << 24; }

}  // namespace

uint64_t cellHash(const AsciiFramebuffer& fb, uint64_t h) {
    mix(h, (uint32_t)fb.cols);
    mix(h, (uint32_t)fb.rows);
    for (const Cell& c : fb.cells) {
        mix(h, c.codepoint);
        mix(h, packed(c.fg));
        mix(h, packed(c.bg));
    }
    return h;
}
