// Star generation of the starfield scene, shared with its tests: every star follows from the grid
// size alone.
#pragma once

#include <cstdint>

struct Star {
    float x;  // Column position [0..cols)
    float y;  // Row position [0..rows)
    float z;  // Twinkle phase [0..1)
};

constexpr int kStarLayers = 3;  // 0 far, 1 middle, 2 near

// Number of stars of layer [0..2] on a grid of cols x rows.
int starLayerSize(int layer, int cols, int rows);

// Star `index` of `layer` on a grid of cols x rows.
Star makeStar(int layer, uint32_t index, int cols, int rows);
