// The redraw of a Cpu framebuffer: its changed cells painted into its image in memory
// (cell_pixels.h), as the GPU redraw (font_redraw.h) draws them into the render texture.
#pragma once

#include "framebuffer/ascii_framebuffer.h"

// Where both redraws put a cell's glyph: its size, and the pen's offset from the cell's corner
// before the quarter-pixel nudge (the glyph, 0.56 of its size wide, centred in the cell).
struct GlyphPlacement {
    float size;
    float offsetX;
    float offsetY;
};
GlyphPlacement glyphPlacement(const AsciiFramebuffer& fb);

// The CPU's redraw of the cells that differ from what was last drawn (all of them with force).
void redrawPixels(AsciiFramebuffer& fb, bool force);
