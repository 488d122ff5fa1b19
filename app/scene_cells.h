// Every scene's cells on a fixed script (times, grid sizes, beat and audio), folded into one hash
// per scene and grid: the desktop and the web build compute it through this same code, and their
// results must match, which shows that both draw the same cells.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "audio/audio_features.h"
#include "framebuffer/ascii_framebuffer.h"
#include "scenes/scene.h"

struct SceneCells {
    const char* scene;
    GridSize grid;
    uint64_t hash;  // cellHash of every frame of the script, folded in order
};

// Renders one scene on a cells-only grid on the fixed script (1.5 s at 60 fps from scene time 0,
// then a third of a second from 12 s and from 24.5 s), with the show's 125 bpm beat and scripted
// music (audio/scripted_music.h), and folds each frame's cellHash into one value. The scene starts afresh whatever it drew
// before.
uint64_t sceneCellsHash(const SceneDesc& scene, GridSize grid);

// sceneCellsHash of every scene in show order, at each of the grid sizes the show uses.
std::vector<SceneCells> everySceneCells();

// The same as JSON: [{"scene":"intro_boot","cols":120,"rows":42,"hash":"0123456789abcdef"}, ...]
std::string sceneCellsJson(const std::vector<SceneCells>& cells);
