#include "scenes/ramps.h"

#include "scenes/scene_math.h"

namespace {

const uint32_t kDense[] = {' ', '.', ',', ':', ';', 'i', 'r', 's', 'X', 'A', '2', '5',
                           '3', 'h', 'M', 'H', 'G', 'S', '#', '9', 'B', '&', '@'};
const uint32_t kClassic[] = {' ', '.', ':', '-', '=', '+', '*', '#', '%', '@'};
const uint32_t kBlock[] = {0x20, 0x2591, 0x2592, 0x2593, 0x2588};
const uint32_t kRing[] = {' ', '.', 'o', 'O', '#', '@'};

template <int N>
CharRamp ramp(const uint32_t (&cps)[N]) { return CharRamp{cps, N}; }

}  // namespace

CharRamp charRamp(RampStyle style) {
    switch (style) {
        case RampStyle::Dense: return ramp(kDense);
        case RampStyle::Block: return ramp(kBlock);
        case RampStyle::Ring: return ramp(kRing);
        case RampStyle::Classic: break;
    }
    return ramp(kClassic);
}

uint32_t rampGlyph(int style, float v) {
    const CharRamp r = (style >= 0 && style <= 3) ? charRamp((RampStyle)style) : charRamp(RampStyle::Classic);
    const int index = tableIndex((float)(r.length - 1) * clamp01(v), r.length - 1);
    return r.codepoints[index];
}
