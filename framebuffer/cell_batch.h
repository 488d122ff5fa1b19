// The redraw's vertices, written straight into a vertex buffer of the framebuffer's own: each
// changed cell's background quad (from the atlas's white texel) and glyph quad, with the same
// corners, texture coordinates, colours, depth and draw-call splits that DrawRectangle and
// DrawTextCodepoint give raylib's render batch, so the GPU draws the same triangles. Glyph
// rectangles and boosted colours are looked up once per distinct codepoint and colour.
#pragma once

#include <cstdint>
#include <vector>

#include "raylib.h"  // Required for: Color, Font, Rectangle, Vector2

// One codepoint's glyph quad relative to its pen position, as DrawTextCodepoint lays it out
struct GlyphQuad {
    uint32_t codepoint;
    float offsetX, offsetY;  // Glyph offset times the scale; the padding is taken off after it
    float width, height;     // Padded glyph size times the scale
    float u0, v0, u1, v1;    // Padded glyph rectangle in atlas texture coordinates
};

// A colour and its boosted form
struct BoostedColor {
    Color color;
    Color boosted;
};

// Direct-mapped caches: a slot is refilled when another key lands on it. Every slot always holds
// a correct pair (they start as the pair of one key), so there is no empty state to test.
struct BoostCache {
    std::vector<BoostedColor> slots;
    bool isBackground = false;
};

struct GlyphCache {
    std::vector<GlyphQuad> slots;
    Font font = {};  // The font and size the quads were laid out for
    float size = 0.0f;
};

struct CellVertex {
    float x, y, z;
    float u, v;
    Color color;
};

struct CellBatch {
    unsigned int vao = 0;  // 0 where vertex arrays are not supported: attributes bound per draw
    unsigned int vbo = 0;
    unsigned int ebo = 0;
    std::vector<CellVertex> vertices;  // One draw call's quads, four vertices each
    int quads = 0;
    float depth = -1.0f;  // rlgl's depth: -1 after each draw, a step up after each quad

    // The atlas of this redraw: its texture and the white texel the rectangles sample
    unsigned int textureId = 0;
    float whiteU0 = 0.0f, whiteV0 = 0.0f, whiteU1 = 0.0f, whiteV1 = 0.0f;
    float glyphPadding = 0.0f;  // Font padding times the scale
    bool drawGlyphs = false;

    GlyphCache glyphs;
    BoostCache glyphColors;
    BoostCache backgroundColors;
};

// The colour boost through a cache; gives exactly boostColor(color, cache.isBackground).
void initBoostCache(BoostCache& cache, bool isBackground);
Color boosted(BoostCache& cache, Color color);

// Needs an open window. unloadCellBatch releases what loadCellBatch made.
void loadCellBatch(CellBatch& batch);
void unloadCellBatch(CellBatch& batch);

// Call inside BeginTextureMode: the quads go to the render target that is active now.
// whiteTexel is the atlas rectangle the background quads sample.
void beginCells(CellBatch& batch, const Font& font, Rectangle whiteTexel, float glyphSize);
void addRectangle(CellBatch& batch, int x, int y, int width, int height, Color color);
void addGlyph(CellBatch& batch, uint32_t codepoint, Vector2 position, Color color);
void endCells(CellBatch& batch);  // Draws what is left
