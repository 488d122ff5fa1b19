// The colours a terminal can show: 24-bit, the 256-colour palette's fixed part (the 6x6x6 cube and
// the grey ramp), xterm's 16 colours, or none; and the nearest entry to a 24-bit colour.
#pragma once

#include <cstdint>

enum class ColourMode { TrueColour, Palette256, Palette16, None };

// "24bit", "256", "16", "none": false for anything else.
bool parseColourMode(const char* name, ColourMode& mode);
const char* colourModeName(ColourMode mode);

// How different two 0xRRGGBB colours look: squared distance with the red and blue weights that
// follow the mean red ("redmean"), a cheap stand-in for a perceptual difference.
int colourDistance(uint32_t a, uint32_t b);

// The 256-colour palette's entry (16..255) nearest to a colour: the cube's or the grey ramp's.
int nearest256(uint32_t rgb);
// xterm's default colour of a 256-colour palette entry (16..255).
uint32_t palette256Rgb(int index);

// The nearest of the 16 colours (0..15), with xterm's default values.
int nearest16(uint32_t rgb);
extern const uint32_t kXterm16[16];

// A colour's brightness, 0..255 (Rec. 709 weights).
int luminance(uint32_t rgb);
