// Font loading for a framebuffer and the redraw of its changed cells into the render texture.
#pragma once

#include "framebuffer/ascii_framebuffer.h"

struct FontChoice {
    const char* path;
    const char* displayName;
};

// The fonts tried in order; raylib's default font ("DEFAULT") comes after the last of them.
const FontChoice* fontTable(int* count);

// The 103 codepoints rasterised into the atlas: printable ASCII, then eight block and shade glyphs.
constexpr int kFontCodepointCount = 103;
void fontCodepoints(int out[kFontCodepointCount]);

// Sets font, fontName, ownsFont and blockGlyphs of a Gpu framebuffer.
void loadFont(AsciiFramebuffer& fb);

// Draws every cell that differs from what was last drawn (or every cell when force is set) into
// the framebuffer's render texture, then records it as drawn.
void redraw(AsciiFramebuffer& fb, bool force);

// Saturation, gain and contrast boost applied at draw time; alpha passes through.
Color boostColor(Color color, bool isBackground);
