// The redraw of a framebuffer's changed cells into its render texture (the font comes from
// font_loading.h, included here for the callers that load it).
#pragma once

#include "framebuffer/ascii_framebuffer.h"
#include "framebuffer/font_loading.h"

// Draws every cell that differs from what was last drawn (or every cell when force is set) into
// the framebuffer's render texture, then records it as drawn.
void redraw(AsciiFramebuffer& fb, bool force);
