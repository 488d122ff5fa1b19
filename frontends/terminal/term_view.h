// How the show's grid becomes the terminal's cells. A terminal's cells have one fixed size, so the
// zoom level cannot change the cell size the way the window does. Instead the grid shrinks as the
// cells grow, and the terminal shows it magnified around its centre, nearest neighbour: level 2
// (where a quiet passage settles) and above fill the terminal one cell for one, and every level
// below it makes the cells 1.2 times larger, as the window's picture does. A scene transition flies
// into its anchor cell by magnifying further, as the window's presentFocused does.
#pragma once

#include <vector>

#include "app/frame_loop.h"  // Required for: Presentation
#include "framebuffer/ascii_framebuffer.h"
#include "frontends/terminal/term_encoder.h"

constexpr int kNativeZoomLevel = 2;            // This level and above: one grid cell per terminal cell
constexpr Color kTermClear = {5, 7, 12, 255};  // Around the picture during a flight, as in the window

// Terminal cells per grid cell at a zoom level: 1.2 for every level below kNativeZoomLevel.
float termMagnification(int zoomLevel);

// The grid for a terminal of termCols x termRows at a zoom level, within the grid's own limits.
GridSize termGridSize(int termCols, int termRows, int zoomLevel);

// Where the grid lies on the terminal, in terminal cells: covering it exactly when plain; growing
// towards the focus cell during a flight.
struct PictureRect {
    float x, y, w, h;
};
PictureRect flightRect(int gridCols, int gridRows, int termCols, int termRows, int focusX, int focusY,
                       float progress, float punch);

// Scratch space of the composition, sized once per terminal size.
struct TermCanvas {
    int cols = 0;
    int rows = 0;
    std::vector<TermCell> cells;
    std::vector<int> gridColumn;  // Grid column shown in each terminal column, -1 outside the grid
    std::vector<int> gridRow;
};

// Fills the canvas (resized to termCols x termRows) with what the window would show: the grid
// through the colour boost when it is on, flown or plain, black when finished, then the overlay.
void composeScreen(const AsciiFramebuffer& fb, const Presentation& how, int termCols, int termRows, TermCanvas& out);
