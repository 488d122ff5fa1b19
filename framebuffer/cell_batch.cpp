#include "framebuffer/cell_batch.h"

#include <cstddef>  // Required for: offsetof()
#include <cstring>  // Required for: memcpy()

#include "framebuffer/color_boost.h"  // Required for: boostColor()
#include "raymath.h"                    // Required for: MatrixMultiply()
#include "rlgl.h"

namespace {

// rlgl's desktop batch draws 8192 quads per call and steps its depth by 1/20000 per quad; the
// cells keep both, so the draw calls and vertices are the ones DrawRectangle and DrawTextCodepoint
// made. 8192 quads also keep the vertex indices within 16 bits, as rlgl's element draw needs.
constexpr int kBatchQuads = 8192;
constexpr float kDepthStart = -1.0f;
constexpr float kDepthStep = 1.0f / 20000.0f;

constexpr int kGlyphSlots = 256;       // Power of two; ASCII and the block glyphs never collide
constexpr int kColorSlotBits = 12;     // 4096 colours of each kind
constexpr uint32_t kSpace = 32;

uint32_t glyphSlot(uint32_t codepoint) { return (codepoint ^ (codepoint >> 8)) & (kGlyphSlots - 1); }

uint32_t colorKey(Color color) {
    uint32_t key;
    memcpy(&key, &color, sizeof(key));
    return key;
}

uint32_t colorSlot(Color color) {
    return (colorKey(color) * 0x9E3779B1u) >> (32 - kColorSlotBits);  // Fibonacci hashing: the high bits mix all bytes
}

// DrawTextCodepoint's source and destination rectangles, for a pen position of (0, 0), with the
// same float operations in the same order.
GlyphQuad layOutGlyph(const Font& font, float size, uint32_t codepoint) {
    const int index = GetGlyphIndex(font, (int)codepoint);
    const float scale = size / font.baseSize;
    const Rectangle rec = font.recs[index];
    const float padding = (float)font.glyphPadding;
    const Rectangle source = {rec.x - padding, rec.y - padding, rec.width + 2.0f * padding,
                              rec.height + 2.0f * padding};
    const float atlasW = (float)font.texture.width;
    const float atlasH = (float)font.texture.height;

    GlyphQuad q;
    q.codepoint = codepoint;
    q.offsetX = font.glyphs[index].offsetX * scale;
    q.offsetY = font.glyphs[index].offsetY * scale;
    q.width = (rec.width + 2.0f * padding) * scale;
    q.height = (rec.height + 2.0f * padding) * scale;
    q.u0 = source.x / atlasW;
    q.v0 = source.y / atlasH;
    q.u1 = (source.x + source.width) / atlasW;
    q.v1 = (source.y + source.height) / atlasH;
    return q;
}

bool sameFont(const Font& a, const Font& b) {
    return a.texture.id == b.texture.id && a.texture.width == b.texture.width &&
           a.texture.height == b.texture.height && a.baseSize == b.baseSize &&
           a.glyphCount == b.glyphCount && a.glyphPadding == b.glyphPadding && a.recs == b.recs &&
           a.glyphs == b.glyphs;
}

const GlyphQuad& glyphQuad(GlyphCache& cache, uint32_t codepoint) {
    GlyphQuad& slot = cache.slots[glyphSlot(codepoint)];
    if (slot.codepoint != codepoint) slot = layOutGlyph(cache.font, cache.size, codepoint);
    return slot;
}

void drawQuads(CellBatch& batch);

// Corners in rlgl's quad order: top-left, bottom-left, bottom-right, top-right.
void putQuad(CellBatch& batch, float x0, float y0, float x1, float y1, float u0, float v0, float u1,
             float v1, Color color) {
    if (batch.quads == kBatchQuads) drawQuads(batch);
    CellVertex* v = batch.vertices.data() + (size_t)batch.quads * 4;
    const float z = batch.depth;
    v[0] = {x0, y0, z, u0, v0, color};
    v[1] = {x0, y1, z, u0, v1, color};
    v[2] = {x1, y1, z, u1, v1, color};
    v[3] = {x1, y0, z, u1, v0, color};
    batch.quads += 1;
    batch.depth += kDepthStep;
}

void bindAttributes(const CellBatch& batch) {
    const int* locs = rlGetShaderLocsDefault();
    const int stride = (int)sizeof(CellVertex);
    rlEnableVertexBuffer(batch.vbo);
    rlSetVertexAttribute(locs[RL_SHADER_LOC_VERTEX_POSITION], 3, RL_FLOAT, false, stride,
                         (int)offsetof(CellVertex, x));
    rlEnableVertexAttribute(locs[RL_SHADER_LOC_VERTEX_POSITION]);
    rlSetVertexAttribute(locs[RL_SHADER_LOC_VERTEX_TEXCOORD01], 2, RL_FLOAT, false, stride,
                         (int)offsetof(CellVertex, u));
    rlEnableVertexAttribute(locs[RL_SHADER_LOC_VERTEX_TEXCOORD01]);
    rlSetVertexAttribute(locs[RL_SHADER_LOC_VERTEX_COLOR], 4, RL_UNSIGNED_BYTE, true, stride,
                         (int)offsetof(CellVertex, color));
    rlEnableVertexAttribute(locs[RL_SHADER_LOC_VERTEX_COLOR]);
    rlEnableVertexBufferElement(batch.ebo);
}

void unbindAttributes(const CellBatch& batch) {
    rlDisableVertexArray();
    if (batch.vao == 0) {
        rlDisableVertexBuffer();
        rlDisableVertexBufferElement();
    }
}

// One draw call for the quads written so far, then an empty buffer and rlgl's starting depth
void drawQuads(CellBatch& batch) {
    if (batch.quads > 0) {
        rlUpdateVertexBuffer(batch.vbo, batch.vertices.data(), batch.quads * 4 * (int)sizeof(CellVertex), 0);

        // The uniforms rlgl sets for its own batch with the default shader
        const int* locs = rlGetShaderLocsDefault();
        const float white[4] = {1.0f, 1.0f, 1.0f, 1.0f};
        const int textureUnit = 0;
        rlEnableShader(rlGetShaderIdDefault());
        rlSetUniformMatrix(locs[RL_SHADER_LOC_MATRIX_MVP],
                           MatrixMultiply(rlGetMatrixModelview(), rlGetMatrixProjection()));
        rlSetUniform(locs[RL_SHADER_LOC_COLOR_DIFFUSE], white, RL_SHADER_UNIFORM_VEC4, 1);
        rlSetUniform(locs[RL_SHADER_LOC_MAP_DIFFUSE], &textureUnit, RL_SHADER_UNIFORM_INT, 1);
        rlActiveTextureSlot(0);
        rlEnableTexture(batch.textureId);
        if (!rlEnableVertexArray(batch.vao)) bindAttributes(batch);

        rlDrawVertexArrayElements(0, batch.quads * 6, nullptr);

        unbindAttributes(batch);
        rlDisableTexture();
        rlDisableShader();
    }
    batch.quads = 0;
    batch.depth = kDepthStart;
}

}  // namespace

void initBoostCache(BoostCache& cache, bool isBackground) {
    cache.isBackground = isBackground;
    const Color first = {0, 0, 0, 0};
    cache.slots.assign((size_t)1 << kColorSlotBits, BoostedColor{first, boostColor(first, isBackground)});
}

Color boosted(BoostCache& cache, Color color) {
    BoostedColor& slot = cache.slots[colorSlot(color)];
    if (colorKey(slot.color) != colorKey(color)) slot = {color, boostColor(color, cache.isBackground)};
    return slot.boosted;
}

void loadCellBatch(CellBatch& batch) {
    batch.vertices.assign((size_t)kBatchQuads * 4, CellVertex{});
    std::vector<unsigned short> indices((size_t)kBatchQuads * 6);
    for (int q = 0; q < kBatchQuads; ++q) {
        const unsigned short first = (unsigned short)(q * 4);
        const unsigned short quad[6] = {first, (unsigned short)(first + 1), (unsigned short)(first + 2),
                                        first, (unsigned short)(first + 2), (unsigned short)(first + 3)};
        memcpy(&indices[(size_t)q * 6], quad, sizeof(quad));
    }

    batch.vao = rlLoadVertexArray();
    rlEnableVertexArray(batch.vao);
    batch.vbo = rlLoadVertexBuffer(nullptr, (int)(batch.vertices.size() * sizeof(CellVertex)), true);
    batch.ebo = rlLoadVertexBufferElement(indices.data(), (int)(indices.size() * sizeof(indices[0])), false);
    if (batch.vao != 0) bindAttributes(batch);
    unbindAttributes(batch);
    rlDisableVertexBuffer();
    rlDisableVertexBufferElement();

    batch.glyphs = GlyphCache{};
    initBoostCache(batch.glyphColors, false);
    initBoostCache(batch.backgroundColors, true);
}

void unloadCellBatch(CellBatch& batch) {
    if (batch.vao != 0) rlUnloadVertexArray(batch.vao);
    if (batch.vbo != 0) rlUnloadVertexBuffer(batch.vbo);
    if (batch.ebo != 0) rlUnloadVertexBuffer(batch.ebo);
    batch = CellBatch{};
}

void beginCells(CellBatch& batch, const Font& font, Rectangle whiteTexel, float glyphSize) {
    rlDrawRenderBatchActive();  // Whatever raylib holds is drawn before the cells
    batch.quads = 0;
    batch.depth = kDepthStart;

    // An atlas without a texture draws no glyphs, and the rectangles fall back to rlgl's white
    // texture, as with raylib's own calls.
    batch.drawGlyphs = font.texture.id != 0;
    Rectangle white = whiteTexel;
    float atlasW = (float)font.texture.width, atlasH = (float)font.texture.height;
    batch.textureId = font.texture.id;
    if (!batch.drawGlyphs) {
        batch.textureId = rlGetTextureIdDefault();
        white = {0.0f, 0.0f, 1.0f, 1.0f};
        atlasW = atlasH = 1.0f;
    }
    batch.whiteU0 = white.x / atlasW;
    batch.whiteV0 = white.y / atlasH;
    batch.whiteU1 = (white.x + white.width) / atlasW;
    batch.whiteV1 = (white.y + white.height) / atlasH;
    if (!batch.drawGlyphs) return;

    batch.glyphPadding = (float)font.glyphPadding * (glyphSize / font.baseSize);
    GlyphCache& glyphs = batch.glyphs;
    if (glyphs.slots.empty() || !sameFont(glyphs.font, font) || glyphs.size != glyphSize) {
        glyphs.font = font;
        glyphs.size = glyphSize;
        glyphs.slots.assign(kGlyphSlots, layOutGlyph(font, glyphSize, kSpace));
    }
}

void addRectangle(CellBatch& batch, int x, int y, int width, int height, Color color) {
    const float left = (float)x, top = (float)y;
    putQuad(batch, left, top, left + (float)width, top + (float)height, batch.whiteU0, batch.whiteV0,
            batch.whiteU1, batch.whiteV1, color);
}

void addGlyph(CellBatch& batch, uint32_t codepoint, Vector2 position, Color color) {
    if (!batch.drawGlyphs) return;
    const GlyphQuad& q = glyphQuad(batch.glyphs, codepoint);
    const float left = position.x + q.offsetX - batch.glyphPadding;
    const float top = position.y + q.offsetY - batch.glyphPadding;
    putQuad(batch, left, top, left + q.width, top + q.height, q.u0, q.v0, q.u1, q.v1, color);
}

void endCells(CellBatch& batch) { drawQuads(batch); }
