#include "framebuffer/cpu_redraw.h"

#include <algorithm>  // Required for: std::fill()

namespace {

// A new image starts filled with the background colour, as a new render texture is cleared with it.
// A forced redraw of opaque cells covers every pixel first with its cell's rectangle, so the fill
// is left out then: the frame loop forces the redraw of every new framebuffer.
void fillFirst(CellPixels& image, const AsciiFramebuffer& fb, bool force) {
    if (image.filled) return;
    image.filled = true;
    bool covers = force;
    for (size_t i = 0; covers && i < fb.cells.size(); ++i) covers = fb.cells[i].bg.a == 255;
    if (!covers) std::fill(image.pixels.begin(), image.pixels.end(), packPixel(image.fillColor));
}

}  // namespace

GlyphPlacement glyphPlacement(const AsciiFramebuffer& fb) {
    const float size = ((float)fb.cellHeight - 2.0f) * fb.glyphScale;
    return {size, ((float)fb.cellWidth - size * 0.56f) * 0.5f, ((float)fb.cellHeight - size) * 0.5f};
}

void redrawPixels(AsciiFramebuffer& fb, bool force) {
    CellPixels& image = fb.image;
    if (image.pixels.empty()) return;
    fillFirst(image, fb, force);
    const GlyphPlacement glyph = glyphPlacement(fb);
    // The masks are laid out for the cell at the origin; the quads of other cells cover the same
    // pixels shifted by whole cells, since their pens lie a quarter pixel or more from any edge.
    const Vector2 pen = {glyph.offsetX + 0.25f, glyph.offsetY + 0.15f};

    bool drew = false;
    for (int y = 0; y < fb.rows; ++y) {
        for (int x = 0; x < fb.cols; ++x) {
            const size_t i = (size_t)y * (size_t)fb.cols + (size_t)x;
            const Cell& c = fb.cells[i];
            if (!force && c == fb.drawn[i]) continue;

            const Color bg = fb.colorBoost ? boosted(image.backgroundColors, c.bg) : c.bg;
            const Color fg = fb.colorBoost ? boosted(image.glyphColors, c.fg) : c.fg;
            paintCell(image, fb.cellWidth * x, fb.cellHeight * y, fb.cellWidth, fb.cellHeight, c.codepoint, fg, bg,
                      glyph.size, pen);
            fb.drawn[i] = c;
            drew = true;
        }
    }
    if (drew) image.version += 1;
}
