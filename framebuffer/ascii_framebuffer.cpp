#include "framebuffer/ascii_framebuffer.h"

#include <cmath>  // Required for: roundf()

#include "framebuffer/font_loading.h"
#include "math/clamp.h"
#include "math/show_math.h"  // Required for: showPow()

namespace {

constexpr int kBaseCols = 120;
constexpr int kBaseRows = 42;


void makeTarget(AsciiFramebuffer& fb) {
    fb.target = LoadRenderTexture(fb.cols * fb.cellWidth, fb.rows * fb.cellHeight);
    SetTextureFilter(fb.target.texture, TEXTURE_FILTER_POINT);
}

// The texture starts filled with the background colour
void clearTarget(AsciiFramebuffer& fb) {
    BeginTextureMode(fb.target);
    ClearBackground(fb.background);
    EndTextureMode();
}

// A font of the framebuffer's own, which it unloads when destroyed
void loadOwnFont(AsciiFramebuffer& fb) {
    const GlyphFont loaded = loadGlyphFont(fb.cellHeight);
    fb.font = loaded.font;
    fb.fontName = loaded.name;
    fb.ownsFont = loaded.fromFile;
    fb.blockGlyphs = loaded.blockGlyphs;
}

}  // namespace

bool operator==(const Color& a, const Color& b) {
    return a.r == b.r && a.g == b.g && a.b == b.b && a.a == b.a;
}
bool operator!=(const Color& a, const Color& b) { return !(a == b); }
bool operator==(const Cell& a, const Cell& b) {
    return a.codepoint == b.codepoint && a.fg == b.fg && a.bg == b.bg;
}
bool operator!=(const Cell& a, const Cell& b) { return !(a == b); }

AsciiFramebuffer::AsciiFramebuffer(int cols_, int rows_, int cellWidth_, int cellHeight_,
                                   FramebufferBacking backing_)
    : cols(cols_ > 0 ? cols_ : 0), rows(rows_ > 0 ? rows_ : 0), cellWidth(cellWidth_),
      cellHeight(cellHeight_), backing(backing_) {
    const size_t count = (size_t)cols * (size_t)rows;
    drawn.assign(count, Cell{});
    cells.assign(count, Cell{});
    if (backing == FramebufferBacking::Gpu) {
        makeTarget(*this);
        loadOwnFont(*this);
        loadCellBatch(batch);
        clearTarget(*this);
    }
    clear(kSceneBackground);
    drawn = cells;
}

AsciiFramebuffer::AsciiFramebuffer(int cols_, int rows_, int cellWidth_, int cellHeight_, const GlyphFont& sharedFont)
    : cols(cols_ > 0 ? cols_ : 0), rows(rows_ > 0 ? rows_ : 0), cellWidth(cellWidth_),
      cellHeight(cellHeight_), backing(sharedFont.onCpu ? FramebufferBacking::Cpu : FramebufferBacking::Gpu) {
    const size_t count = (size_t)cols * (size_t)rows;
    drawn.assign(count, Cell{});
    cells.assign(count, Cell{});
    if (backing == FramebufferBacking::Gpu) makeTarget(*this);
    font = sharedFont.font;
    fontName = sharedFont.name;
    ownsFont = sharedFont.fromFile;
    fontBorrowed = true;
    blockGlyphs = sharedFont.blockGlyphs;
    if (backing == FramebufferBacking::Gpu) {
        loadCellBatch(batch);
        clearTarget(*this);
    } else {
        initCellPixels(image, cols * cellWidth, rows * cellHeight, background,
                       sharedFont.fromFile ? &sharedFont.atlas : nullptr, sharedFont.font);
    }
    clear(kSceneBackground);
    drawn = cells;
}

AsciiFramebuffer::~AsciiFramebuffer() {
    if (backing != FramebufferBacking::Gpu) return;
    unloadCellBatch(batch);
    if (ownsFont && !fontBorrowed) UnloadFont(font);
    UnloadRenderTexture(target);
}

void AsciiFramebuffer::clear(Color bg) {
    background = bg;
    const Cell blank{32, defaultFg, bg};
    for (Cell& c : cells) c = blank;
}

void AsciiFramebuffer::putText(int x, int y, const char* text, Color fg, Color bg) {
    if (text == nullptr) return;
    for (int i = 0; text[i] != '\0'; ++i) {
        setCell(x + i, y, (uint32_t)(unsigned char)text[i], fg, bg);
    }
}

GridSize gridSizeForZoom(int zoom) {
    const float f = showPow(1.2f, (float)zoom);
    const int cols = (int)roundf((float)kBaseCols * f);
    const int rows = (int)roundf((float)kBaseRows * f);
    return clampGridSize(cols, rows);
}

GridSize clampGridSize(int cols, int rows) {
    return {clampInt(cols, kMinGridCols, kMaxGridCols), clampInt(rows, kMinGridRows, kMaxGridRows)};
}
