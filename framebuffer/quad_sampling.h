// Which texel of a point-sampled texture each pixel of a drawn quad shows, as the software
// rasteriser (Mesa's llvmpipe) picks it. Where a pixel's centre falls exactly on the edge between
// two texels, the choice is made by the float rounding of the vertex transform and of the
// triangle's attribute setup, and raylib draws a quad as two triangles split along the diagonal
// from its top-left to its bottom-right corner: the two halves of one column or row may take
// different texels. Reproducing that arithmetic gives the CPU renderer the GPU's choice.
#pragma once

#include <vector>

#include "raylib.h"  // Required for: Rectangle

struct QuadSampling {
    // Per target column (row): the texture's column (row, top first) in the quad's bottom-left
    // triangle and in its top-right one; -1 outside the quad.
    std::vector<int> columnsBelow, columnsAbove;
    std::vector<int> rowsBelow, rowsAbove;
    // Per target row: the first column that belongs to the top-right triangle.
    std::vector<int> firstAbove;
};

// The texels of a texture of texW x texH drawn upright (flipped, as a render texture is drawn)
// into dest of a render target of width x height, with raylib's orthographic projection.
void sampleQuad(QuadSampling& q, int width, int height, Rectangle dest, int texW, int texH);
