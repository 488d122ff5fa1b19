#include "frontends/terminal/term_view.h"

#include <cmath>  // Required for: roundf(), floorf()

#include "framebuffer/color_boost.h"   // Required for: boostColor()
#include "framebuffer/presentation.h"  // Required for: flownRect()
#include "math/show_math.h"            // Required for: showPow()

namespace {

constexpr float kZoomStep = 1.2f;         // Cell size ratio between neighbouring zoom levels

// Scenes repeat colours in runs, so the last boost is kept.
struct BoostMemo {
    Color in = {0, 0, 0, 0};
    uint32_t out = 0;
    bool valid = false;
};

uint32_t rgbOf(Color c) { return packRgb(c.r, c.g, c.b); }

uint32_t shownColour(Color c, bool boost, bool isBackground, BoostMemo& memo) {
    if (!boost) return rgbOf(c);
    if (!memo.valid || memo.in != c) {
        memo.in = c;
        memo.out = rgbOf(boostColor(c, isBackground));
        memo.valid = true;
    }
    return memo.out;
}

// The window's black overlay at this alpha, over one packed colour.
uint32_t darken(uint32_t rgb, unsigned alpha) {
    const unsigned keep = 255u - alpha;
    const unsigned r = ((rgb >> 16) & 0xFFu) * keep;
    const unsigned g = ((rgb >> 8) & 0xFFu) * keep;
    const unsigned b = (rgb & 0xFFu) * keep;
    return (((r + 127u) / 255u) << 16) | (((g + 127u) / 255u) << 8) | ((b + 127u) / 255u);
}

// Which grid cell each terminal column (or row) shows: the one under the terminal cell's centre.
void mapAxis(std::vector<int>& map, int termCells, float start, float length, int gridCells) {
    map.resize((size_t)termCells);
    for (int t = 0; t < termCells; ++t) {
        const float u = ((float)t + 0.5f - start) / length * (float)gridCells;
        const int g = (int)floorf(u);
        map[(size_t)t] = (length > 0.0f && g >= 0 && g < gridCells) ? g : -1;
    }
}

}  // namespace

float termMagnification(int zoomLevel) {
    const int below = kNativeZoomLevel - zoomLevel;
    return below > 0 ? showPow(kZoomStep, (float)below) : 1.0f;
}

GridSize termGridSize(int termCols, int termRows, int zoomLevel) {
    const float m = termMagnification(zoomLevel);
    const int cols = (int)roundf((float)(termCols > 0 ? termCols : 1) / m);
    const int rows = (int)roundf((float)(termRows > 0 ? termRows : 1) / m);
    return clampGridSize(cols, rows);
}

PictureRect flightRect(int gridCols, int gridRows, int termCols, int termRows, int focusX, int focusY,
                       float progress, float punch) {
    if (gridCols <= 0 || gridRows <= 0) return {0.0f, 0.0f, 0.0f, 0.0f};
    // The plain picture covers the terminal exactly; a grid cell is one unit of picture
    const PictureFit cover = {0.0f, 0.0f, (float)termCols / (float)gridCols, (float)termRows / (float)gridRows};
    const Rectangle r = flownRect(gridCols, gridRows, 1.0f, 1.0f, cover, (float)termCols, (float)termRows, focusX,
                                  focusY, progress, punch);
    return {r.x, r.y, r.width, r.height};
}

void composeScreen(const AsciiFramebuffer& fb, const Presentation& how, int termCols, int termRows, TermCanvas& out) {
    out.cols = termCols > 0 ? termCols : 0;
    out.rows = termRows > 0 ? termRows : 0;
    out.cells.resize((size_t)out.cols * (size_t)out.rows);

    if (how.kind == Presentation::Black || fb.cols <= 0 || fb.rows <= 0) {
        const TermCell black = {32, 0, 0};
        for (TermCell& c : out.cells) c = black;
        return;
    }

    PictureRect rect = {0.0f, 0.0f, (float)out.cols, (float)out.rows};
    if (how.kind == Presentation::Focused) {
        rect = flightRect(fb.cols, fb.rows, out.cols, out.rows, how.focusX, how.focusY, how.progress, how.punch);
    }
    mapAxis(out.gridColumn, out.cols, rect.x, rect.w, fb.cols);
    mapAxis(out.gridRow, out.rows, rect.y, rect.h, fb.rows);

    const unsigned alpha = how.overlay ? how.overlayAlpha : 0u;
    const TermCell outside = {32, 0, alpha > 0 ? darken(rgbOf(kTermClear), alpha) : rgbOf(kTermClear)};
    BoostMemo fgMemo, bgMemo;
    for (int y = 0; y < out.rows; ++y) {
        TermCell* row = out.cells.data() + (size_t)y * (size_t)out.cols;
        const int gy = out.gridRow[(size_t)y];
        for (int x = 0; x < out.cols; ++x) {
            const int gx = out.gridColumn[(size_t)x];
            if (gy < 0 || gx < 0) {
                row[x] = outside;
                continue;
            }
            const Cell& c = fb.cells[(size_t)gy * (size_t)fb.cols + (size_t)gx];
            TermCell t;
            t.codepoint = c.codepoint;
            t.fg = shownColour(c.fg, fb.colorBoost, false, fgMemo);
            t.bg = shownColour(c.bg, fb.colorBoost, true, bgMemo);
            if (alpha > 0) {
                t.fg = darken(t.fg, alpha);
                t.bg = darken(t.bg, alpha);
            }
            row[x] = t;
        }
    }
}
