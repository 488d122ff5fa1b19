// The character-cell grid every scene writes: two copies of the cells (being composed, last drawn)
// and, when it is backed by the GPU, the render texture and font the redraw draws them with.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "framebuffer/cell_batch.h"
#include "framebuffer/cell_pixels.h"
#include "raylib.h"  // Required for: Color, RenderTexture2D, Font

struct GlyphFont;

// Fixed colours of the grid
constexpr Color kDefaultGlyphColor = {190, 190, 190, 255};
constexpr Color kSceneBackground = {8, 10, 15, 255};

struct Cell {
    uint32_t codepoint = 32;  // 32 (space): only the background is drawn
    Color fg = kDefaultGlyphColor;
    Color bg = kSceneBackground;
};

bool operator==(const Color& a, const Color& b);
bool operator!=(const Color& a, const Color& b);
bool operator==(const Cell& a, const Cell& b);
bool operator!=(const Cell& a, const Cell& b);

// Cells only: no render texture and no font, so no window is needed. Used by tests, benchmarks and
// tools that look at the cells a scene writes. Cpu: drawn into an image in memory, no window either.
enum class FramebufferBacking { Gpu, CellsOnly, Cpu };

struct AsciiFramebuffer {
    int cols = 0;         // Grid width in cells [36..520]
    int rows = 0;         // Grid height in cells [14..220]
    int cellWidth = 0;    // Cell width in render-texture pixels
    int cellHeight = 0;   // Cell height in render-texture pixels
    Color defaultFg = kDefaultGlyphColor;
    Color background = kSceneBackground;
    std::vector<Cell> drawn;  // The grid as it was last drawn into target (row-major)
    std::vector<Cell> cells;  // The grid being composed this frame (row-major)
    RenderTexture2D target = {};
    Font font = {};
    const char* fontName = "DEFAULT";
    bool ownsFont = false;     // The font came from a file (its atlas has the white square the redraw uses)
    bool fontBorrowed = false;  // The font is a GlyphFont that outlives this framebuffer: not unloaded here
    bool blockGlyphs = false;
    float glyphScale = 1.0f;
    bool colorBoost = false;
    FramebufferBacking backing = FramebufferBacking::Gpu;
    CellBatch batch;  // The redraw's vertex buffer and its glyph and colour look-ups
    CellPixels image;  // Cpu: the render texture's counterpart in memory

    // A Gpu framebuffer needs an open window: it creates its render texture and loads its font.
    AsciiFramebuffer(int cols, int rows, int cellWidth, int cellHeight,
                     FramebufferBacking backing = FramebufferBacking::Gpu);
    // A framebuffer that draws with a font loaded once for many framebuffers: on the GPU only the
    // render texture is made; a font on the CPU makes a Cpu framebuffer, which needs no window.
    AsciiFramebuffer(int cols, int rows, int cellWidth, int cellHeight, const GlyphFont& sharedFont);
    ~AsciiFramebuffer();
    AsciiFramebuffer(const AsciiFramebuffer&) = delete;
    AsciiFramebuffer& operator=(const AsciiFramebuffer&) = delete;

    void clear(Color bg);
    void setCell(int x, int y, uint32_t codepoint, Color fg, Color bg) {
        // Unsigned compare folds the x < 0 and x >= cols tests into one
        if ((unsigned)x < (unsigned)cols && (unsigned)y < (unsigned)rows) {
            cells[(size_t)y * (size_t)cols + (size_t)x] = Cell{codepoint, fg, bg};
        }
    }
    void putText(int x, int y, const char* text, Color fg, Color bg);

    const Cell& at(int x, int y) const { return cells[(size_t)y * (size_t)cols + (size_t)x]; }
};

struct GridSize {
    int cols;
    int rows;
};

// The sizes a grid can have, in cells; every front end's grid is clamped to them.
constexpr int kMinGridCols = 36, kMaxGridCols = 520;
constexpr int kMinGridRows = 14, kMaxGridRows = 220;
GridSize clampGridSize(int cols, int rows);

// Grid of a zoom level [-7..7]: the base grid of 120 x 42 cells scaled by 1.2^zoom, clamped.
GridSize gridSizeForZoom(int zoom);
