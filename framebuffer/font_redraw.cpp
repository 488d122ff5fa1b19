#include "framebuffer/font_redraw.h"

#include "framebuffer/cpu_redraw.h"  // Required for: redrawPixels(), glyphPlacement()

namespace {

// The fonts raylib builds with LoadFontEx carry a 3x3 white square at the atlas's bottom-right
// corner; the default font sets its own white texel as the shapes texture when it loads. Sampling
// the rectangles from the atlas keeps rectangles and glyphs in one draw call.
Rectangle whiteTexel(const AsciiFramebuffer& fb) {
    if (!fb.ownsFont) return GetShapesTextureRectangle();
    return {(float)(fb.font.texture.width - 2), (float)(fb.font.texture.height - 2), 1.0f, 1.0f};
}

}  // namespace

void redraw(AsciiFramebuffer& fb, bool force) {
    if (fb.backing == FramebufferBacking::Cpu) {
        redrawPixels(fb, force);
        return;
    }
    if (fb.backing != FramebufferBacking::Gpu) return;

    const GlyphPlacement glyph = glyphPlacement(fb);

    BeginTextureMode(fb.target);
    // Rectangles and glyphs sample one texture, so the whole grid goes out in few draw calls
    CellBatch& batch = fb.batch;
    beginCells(batch, fb.font, whiteTexel(fb), glyph.size);
    for (int y = 0; y < fb.rows; ++y) {
        for (int x = 0; x < fb.cols; ++x) {
            const size_t i = (size_t)y * (size_t)fb.cols + (size_t)x;
            const Cell& c = fb.cells[i];
            if (!force && c == fb.drawn[i]) continue;

            const Color bg = fb.colorBoost ? boosted(batch.backgroundColors, c.bg) : c.bg;
            const Color fg = fb.colorBoost ? boosted(batch.glyphColors, c.fg) : c.fg;
            const int px = fb.cellWidth * x;
            const int py = fb.cellHeight * y;
            addRectangle(batch, px, py, fb.cellWidth, fb.cellHeight, bg);
            if (c.codepoint != 32) {
                const Vector2 pos = {glyph.offsetX + (float)px + 0.25f, glyph.offsetY + (float)py + 0.15f};
                addGlyph(batch, c.codepoint, pos, fg);
            }
            fb.drawn[i] = c;
        }
    }
    endCells(batch);
    EndTextureMode();
}
