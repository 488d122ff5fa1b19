// Character ramps: codepoints ordered from empty to dense, to turn an intensity into a glyph.
#pragma once

#include <cstdint>

enum class RampStyle : int { Dense = 0, Classic = 1, Block = 2, Ring = 3 };

struct CharRamp {
    const uint32_t* codepoints;
    int length;
};

CharRamp charRamp(RampStyle style);

// The glyph of ramp style for intensity v; an unknown style reads the Classic ramp.
uint32_t rampGlyph(int style, float v);
inline uint32_t rampGlyph(RampStyle style, float v) { return rampGlyph((int)style, v); }
