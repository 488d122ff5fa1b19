// The cells drawn on the CPU: the same picture the GPU draws into the render texture and then
// into the window, with no window and no OpenGL. A cell is painted as its background rectangle
// with its glyph blended over it, in the GPU's order, into an image that lives as long as the
// framebuffer (which cells, is the redraw's choice: cpu_redraw.h); the glyphs are the atlas's own
// pixels, placed where the GPU's point-sampled quads put them. The presentation scales that image
// into a frame with the GPU's point sampling, row by row through tables of source columns and rows.
#pragma once

#include <cstdint>
#include <vector>

#include "framebuffer/cell_batch.h"  // Required for: BoostCache
#include "framebuffer/quad_sampling.h"
#include "raylib.h"                   // Required for: Color, Font, Image, Rectangle, Vector2

// Pixels are 32-bit values whose bytes are red, green, blue and alpha in memory order.
typedef uint32_t Pixel;

// One codepoint's glyph as its quad covers the pixels of a cell at the image's origin: the
// coverage (the atlas's alpha) of the pixels it touches, trimmed to the ones that are not 0.
struct GlyphMask {
    uint32_t codepoint = UINT32_MAX;
    int left = 0, top = 0;  // Relative to the cell's top-left pixel; may reach into neighbours
    int width = 0, height = 0;
    std::vector<unsigned char> coverage;  // width * height
};

struct CellPixels {
    int width = 0;   // cols * cellWidth
    int height = 0;  // rows * cellHeight
    std::vector<Pixel> pixels;  // The render texture's counterpart, top row first, alpha kept

    const Image* atlas = nullptr;  // Grey and alpha; none: the cells have no glyphs
    Font font = {};                // Its glyph rectangles and offsets (no texture)
    std::vector<GlyphMask> masks;  // Direct-mapped by codepoint
    BoostCache glyphColors;
    BoostCache backgroundColors;
    long long version = 0;  // Counts the redraws that changed a pixel
    bool filled = false;    // The starting fill with the background colour is made (see cpu_redraw.cpp)
    Color fillColor = {};
};

// Sizes the image to width x height pixels, to be filled with `fill` before its first cell, for
// an atlas that outlives it (null: no glyphs).
void initCellPixels(CellPixels& image, int width, int height, Color fill, const Image* atlas, const Font& font);

// Paints the cell whose top-left pixel is (x, y): its background rectangle, then its glyph over it
// (none for a space or without an atlas), a quad of glyphSize with its pen at `pen` in the cell.
void paintCell(CellPixels& image, int x, int y, int width, int height, uint32_t codepoint, Color fg, Color bg,
               float glyphSize, Vector2 pen);

// A finished picture: width * height opaque pixels, top row first.
struct PixelFrame {
    int width = 0;
    int height = 0;
    std::vector<Pixel> pixels;
    QuadSampling sampling;       // Scratch: the image column and row under each frame pixel
    std::vector<int> differing;  // Scratch: columns where the quad's two triangles sample apart
    std::vector<Pixel> shownRow;  // Scratch: the clear colour, then an image row over it, twice
};

// Fills the frame with the clear colour, then draws the image into dest as the GPU draws the
// render texture (point sampling, blended over the clear colour); dest null draws the clear colour
// alone. Then darkens everything with a black overlay of this alpha (0: none).
void presentPixels(const CellPixels& image, PixelFrame& frame, int width, int height, const Rectangle* dest,
                   Color clear, unsigned char overlayAlpha);

// The GPU's blending of a source over a destination channel with the source's alpha: each of
// the two products rounded to a byte, then added.
unsigned char blendChannel(unsigned char source, unsigned char destination, unsigned char alpha);

inline Pixel packPixel(Color c) {
    return (Pixel)c.r | ((Pixel)c.g << 8) | ((Pixel)c.b << 16) | ((Pixel)c.a << 24);
}
inline Color unpackPixel(Pixel p) {
    return Color{(unsigned char)p, (unsigned char)(p >> 8), (unsigned char)(p >> 16), (unsigned char)(p >> 24)};
}
